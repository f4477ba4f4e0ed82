// The machine on Windows: COM ports through the Win32 API
// (comm_driver_windows.cpp); port_inventory_windows.cpp has listedPorts.
// Windows has no parallel port driver that a program may drive.
#include "reset/port.h"

#include <windows.h>

#include "reset/com_ports.h"
#include "reset/comm_driver_windows.h"

namespace reset {

namespace {

class ComPort final : public OpenPort {
public:
    explicit ComPort(HANDLE handle) : handle_(handle), driver_(handle) {}
    ~ComPort() override { CloseHandle(handle_); }
    ComPort(const ComPort&) = delete;
    ComPort& operator=(const ComPort&) = delete;
    CommDriver& driver() { return driver_; }
    ModemLineDriver& modemLines() override { return driver_; }
    ReceiveLineDriver& receiveLine() override { return driver_; }
    ParallelDriver* parallel() override { return nullptr; }

private:
    HANDLE handle_;
    CommDriver driver_;
};

}  // namespace

PortTarget resolvePort(const std::string& argument)
{
    return resolveComPortName(argument);
}

DeviceUse portUse(const PortTarget& target)
{
    return comPortNumber(target.path) != 0 ? DeviceUse::Serial : DeviceUse::Missing;
}

int openMachinePort(const std::string& path, int restLines, std::unique_ptr<OpenPort>& port)
{
    const unsigned number = comPortNumber(path);
    if (number == 0) {
        return errnoOfWindowsError(ERROR_FILE_NOT_FOUND, ComCall::Opening);
    }
    // No sharing: Windows gives a COM port to one program at a time.
    const HANDLE handle = CreateFileA(comDevicePath(number).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                      OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return errnoOfWindowsError(GetLastError(), ComCall::Opening);
    }
    auto opened = std::make_unique<ComPort>(handle);
    opened->driver().putLinesAtRest(restLines);
    port = std::move(opened);
    return 0;
}

// Windows has no device groups; a refused open is the port being in use,
// which its text says without an owner.
DeviceOwner deviceOwner(const std::string&)
{
    return DeviceOwner{"", false};
}

}  // namespace reset
