#include "reset/com_ports.h"

#include <cerrno>

#include "common/digits.h"

namespace reset {

namespace {

const std::string devicePrefix = "\\\\.\\";

// Windows' own codes (winerror.h), here by value so that the table can be
// tested anywhere.
struct WindowsError {
    uint32_t code;
    int atOpen;      // errno when CreateFile failed
    int onOpenPort;  // errno when a call on the open handle failed
};

const WindowsError windowsErrors[] = {
    {1, ENOTTY, ENOTTY},         // ERROR_INVALID_FUNCTION: the driver has no such call
    {2, ENOENT, ENODEV},         // ERROR_FILE_NOT_FOUND
    {3, ENOENT, ENODEV},         // ERROR_PATH_NOT_FOUND
    {4, EMFILE, EMFILE},         // ERROR_TOO_MANY_OPEN_FILES
    {5, EBUSY, EIO},             // ERROR_ACCESS_DENIED: held by another program; later, unplugged
    {8, ENOMEM, ENOMEM},         // ERROR_NOT_ENOUGH_MEMORY
    {14, ENOMEM, ENOMEM},        // ERROR_OUTOFMEMORY
    {20, ENODEV, ENODEV},        // ERROR_BAD_UNIT
    {21, ENXIO, EIO},            // ERROR_NOT_READY
    {22, EIO, EIO},              // ERROR_BAD_COMMAND: the adapter is gone
    {31, EIO, EIO},              // ERROR_GEN_FAILURE
    {32, EBUSY, EBUSY},          // ERROR_SHARING_VIOLATION
    {50, ENOTTY, ENOTTY},        // ERROR_NOT_SUPPORTED: no modem lines
    {87, EINVAL, EINVAL},        // ERROR_INVALID_PARAMETER
    {123, ENOENT, EINVAL},       // ERROR_INVALID_NAME
    {433, ENODEV, ENODEV},       // ERROR_NO_SUCH_DEVICE
    {995, EIO, EIO},             // ERROR_OPERATION_ABORTED: pending I/O of a removed device
    {1117, EIO, EIO},            // ERROR_IO_DEVICE
    {1167, ENXIO, ENXIO},        // ERROR_DEVICE_NOT_CONNECTED
    {1617, ENODEV, ENODEV},      // ERROR_DEVICE_REMOVED
};

// Device names are not case-sensitive on Windows.
bool startsWithCom(const std::string& name)
{
    return name.size() >= 3 && common::upperCaseLetter(name[0]) == 'C' && common::upperCaseLetter(name[1]) == 'O' &&
           common::upperCaseLetter(name[2]) == 'M';
}

}  // namespace

unsigned comPortNumber(const std::string& argument)
{
    std::string name = argument;
    if (name.compare(0, devicePrefix.size(), devicePrefix) == 0) {
        name.erase(0, devicePrefix.size());
    }
    if (!name.empty() && name.back() == ':') {
        name.pop_back();
    }
    if (!startsWithCom(name) || name.size() == 3 || name.size() > 6 || name[3] == '0') {
        return 0;
    }
    unsigned number = 0;
    for (size_t i = 3; i < name.size(); ++i) {
        if (!common::isDecimalDigit(name[i])) {
            return 0;
        }
        number = number * 10 + static_cast<unsigned>(name[i] - '0');
    }
    return number <= maxComPort ? number : 0;
}

PortTarget resolveComPortName(const std::string& argument)
{
    if (argument == "null") {
        return PortTarget{true, ""};
    }
    const unsigned number = comPortNumber(argument);
    return PortTarget{false, number != 0 ? "COM" + std::to_string(number) : argument};
}

std::string comDevicePath(unsigned number)
{
    return devicePrefix + "COM" + std::to_string(number);
}

int errnoOfWindowsError(uint32_t code, ComCall when)
{
    for (const WindowsError& error : windowsErrors) {
        if (error.code == code) {
            return when == ComCall::Opening ? error.atOpen : error.onOpenPort;
        }
    }
    // Any other code: a driver that answers the port's calls with errors of
    // its own is no port to reset through, and the text says so.
    return EINVAL;
}

}  // namespace reset
