// Windows' port names and error codes, read on any machine.
#include <gtest/gtest.h>

#include <cerrno>

#include "reset/com_ports.h"

namespace reset {
namespace {

TEST(ComPorts, NamesInAnyCaseWithColonOrDevicePrefix)
{
    const struct {
        const char* argument;
        unsigned number;
        bool onlyWait;
        const char* shown;
    } cases[] = {
        {"COM1", 1, false, "COM1"},
        {"com7", 7, false, "COM7"},
        {"Com12:", 12, false, "COM12"},
        {"\\\\.\\COM10", 10, false, "COM10"},
        {"\\\\.\\cOm256", 256, false, "COM256"},
        {"COM257", 0, false, "COM257"},
        {"COM0", 0, false, "COM0"},
        {"COM07", 0, false, "COM07"},
        {"COM", 0, false, "COM"},
        {"COM1::", 0, false, "COM1::"},
        {"COM1x", 0, false, "COM1x"},
        {"LPT1", 0, false, "LPT1"},
        {"/dev/ttyUSB0", 0, false, "/dev/ttyUSB0"},
        {"\\\\?\\COM3", 0, false, "\\\\?\\COM3"},
        {"null", 0, true, ""},
        {"NULL", 0, false, "NULL"},
        {"", 0, false, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.argument);
        EXPECT_EQ(comPortNumber(c.argument), c.number);
        const PortTarget target = resolveComPortName(c.argument);
        EXPECT_EQ(target.onlyWait, c.onlyWait);
        EXPECT_EQ(target.path, c.shown);
    }
    EXPECT_EQ(comDevicePath(3), "\\\\.\\COM3");
    EXPECT_EQ(comDevicePath(42), "\\\\.\\COM42");
}

TEST(ComPorts, WindowsErrorsReadAsTheErrnoOfTheSameFault)
{
    const struct {
        const char* name;
        uint32_t code;
        int atOpen;
        int onOpenPort;
    } cases[] = {
        {"ERROR_INVALID_FUNCTION", 1, ENOTTY, ENOTTY},
        {"ERROR_FILE_NOT_FOUND", 2, ENOENT, ENODEV},
        {"ERROR_PATH_NOT_FOUND", 3, ENOENT, ENODEV},
        {"ERROR_ACCESS_DENIED", 5, EBUSY, EIO},
        {"ERROR_NOT_READY", 21, ENXIO, EIO},
        {"ERROR_BAD_COMMAND", 22, EIO, EIO},
        {"ERROR_GEN_FAILURE", 31, EIO, EIO},
        {"ERROR_SHARING_VIOLATION", 32, EBUSY, EBUSY},
        {"ERROR_NOT_SUPPORTED", 50, ENOTTY, ENOTTY},
        {"ERROR_INVALID_PARAMETER", 87, EINVAL, EINVAL},
        {"ERROR_OPERATION_ABORTED", 995, EIO, EIO},
        {"ERROR_DEVICE_REMOVED", 1617, ENODEV, ENODEV},
        {"a code of no table", 9999, EINVAL, EINVAL},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(errnoOfWindowsError(c.code, ComCall::Opening), c.atOpen);
        EXPECT_EQ(errnoOfWindowsError(c.code, ComCall::OnOpenPort), c.onOpenPort);
    }
}

}  // namespace
}  // namespace reset
