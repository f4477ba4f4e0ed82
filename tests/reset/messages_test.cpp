// The texts of the error lines about a port.
#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#include "reset/messages.h"

namespace reset {
namespace {

// --expect=TEXT --baud=9600 and the default wait.
Options expecting(const std::string& text)
{
    Options options;
    options.expect = true;
    options.answer = ExpectRequest{text, 9600, 2000, 1};
    return options;
}

TEST(Messages, OneLinePerFailureWithAdvice)
{
    const std::string path = "/dev/ttyUSB0";
    const DeviceOwner dialout{"dialout", true};
    const struct {
        const char* name;
        std::string text;
        std::string expected;
    } cases[] = {
        {"missing", openFailureText(ENOENT, path, dialout), "no such port: /dev/ttyUSB0"},
        {"refused, group may open", openFailureText(EACCES, path, dialout),
         "permission denied: /dev/ttyUSB0 (group dialout: add your user to it and log in again)"},
        {"refused, group may not open", openFailureText(EACCES, path, DeviceOwner{"dialout", false}),
         "permission denied: /dev/ttyUSB0 (only its owner may open it: ask the administrator)"},
        {"refused, group root", openFailureText(EPERM, path, DeviceOwner{"root", true}),
         "permission denied: /dev/ttyUSB0 (only its owner may open it: ask the administrator)"},
        {"no device behind the file", openFailureText(ENXIO, path, dialout),
         "no such port: /dev/ttyUSB0 (no device behind the file)"},
        {"exclusive", openFailureText(EBUSY, path, dialout),
         "port busy: /dev/ttyUSB0 (another program holds it exclusively)"},
        {"other errno", openFailureText(EMFILE, path, dialout), "cannot open /dev/ttyUSB0: Too many open files"},
        {"no modem lines", pulseFailureText({PulseOutcome::NotModemPort, ENOTTY, ""}, "/dev/pts/3"),
         "not a serial port with modem control lines: /dev/pts/3"},
        {"unplugged", pulseFailureText({PulseOutcome::Disappeared, EIO, "waiting"}, path),
         "port disappeared: /dev/ttyUSB0 (Input/output error)"},
        {"parallel port held", pulseFailureText({PulseOutcome::Busy, EBUSY, ""}, "/dev/parport0"),
         "parallel port busy: /dev/parport0 (another driver holds it)"},
        {"no UART behind the file", pulseFailureText({PulseOutcome::NoDevice, EIO, ""}, "/dev/ttyS1"),
         "no such port: /dev/ttyS1 (no device behind the file)"},
        {"read-back", pulseFailureText({PulseOutcome::ReadBackFailed, 0, ""}, path),
         "read-back failed: /dev/ttyUSB0 (the lines did not keep the levels written)"},
        {"other failure", pulseFailureText({PulseOutcome::Failed, EINVAL, "clearing HUPCL"}, path),
         "cannot drive /dev/ttyUSB0: clearing HUPCL: Invalid argument"},
        {"rate not taken", rateRefusedText("/dev/ttyS0", 230400, 9600),
         "cannot run /dev/ttyS0 at 230400 Baud: its driver keeps 9600 Baud"},
        {"silent", runEnd({PulseOutcome::NoAnswer, 0, ""}, expecting("ready"), path).errorText,
         "the board did not answer within 2 s at 9600 Baud: check the rate, the wiring and the reset polarity"},
        // Bytes came, but not the text; the text shown as typed, escaped.
        {"bytes without the text", runEnd({PulseOutcome::NoAnswer, 1, ""}, expecting("KORVANE\x1b"), path).errorText,
         "the board sent 1 byte within 2 s at 9600 Baud, but not 'KORVANE\\x1B': check the rate, the wiring and the "
         "reset polarity"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.text, c.expected);
    }
}

}  // namespace
}  // namespace reset
