// Port names to device files, and which devices may be opened at all.
#include <gtest/gtest.h>

#include "reset/port_names.h"

namespace reset {
namespace {

TEST(PortNames, QuorviksNamesBareNamesAndPaths)
{
    const struct {
        const char* argument;
        bool onlyWait;
        const char* path;
    } cases[] = {
        {"null", true, ""},
        {"/dev/null", false, "/dev/null"},
        {"ttyS3", false, "/dev/ttyS3"},
        {"cua1", false, "/dev/ttyS1"},
        {"/dev/cua2", false, "/dev/ttyS2"},
        {"lp0", false, "/dev/parport0"},
        {"/dev/lp2", false, "/dev/parport2"},
        {"lp3", false, "/dev/lp3"},
        {"ttyUSB0", false, "/dev/ttyUSB0"},
        {"ttyS4", false, "/dev/ttyS4"},
        {"/dev/serial/by-id/usb-FTDI_FT232R-if00-port0", false, "/dev/serial/by-id/usb-FTDI_FT232R-if00-port0"},
        {"./ttyUSB0", false, "./ttyUSB0"},
        {"", false, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.argument);
        const PortTarget target = resolvePortName(c.argument);
        EXPECT_EQ(target.onlyWait, c.onlyWait);
        EXPECT_EQ(target.path, c.path);
    }
}

TEST(PortNames, OnlyTtysUnknownDevicesAndPpdevAreOpened)
{
    const struct {
        DeviceFacts facts;
        DeviceUse use;
    } cases[] = {
        {{FileKind::CharacterDevice, "tty"}, DeviceUse::Serial},
        {{FileKind::CharacterDevice, ""}, DeviceUse::Serial},  // a pseudo terminal
        {{FileKind::CharacterDevice, "ppdev"}, DeviceUse::Parallel},
        {{FileKind::CharacterDevice, "mem"}, DeviceUse::NotAPort},  // /dev/null
        {{FileKind::CharacterDevice, "watchdog"}, DeviceUse::NotAPort},
        {{FileKind::CharacterDevice, "printer"}, DeviceUse::NotAPort},
        {{FileKind::Other, ""}, DeviceUse::NotAPort},
        {{FileKind::Missing, ""}, DeviceUse::Missing},
        {{FileKind::Unknown, ""}, DeviceUse::Serial},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.facts.sysfsClass);
        EXPECT_EQ(judgeDevice(c.facts), c.use);
    }
}

}  // namespace
}  // namespace reset
