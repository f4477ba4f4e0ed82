// The command line: requests, options, operands and their errors.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "command_line_of.h"
#include "korvane-reset/command_line.h"

namespace korvane_reset {
namespace {

using reset::PulseLines;

TEST(CommandLine, RequestsOptionsAndOperands)
{
    const std::string hint = "; try 'korvane-reset --help'";
    const struct {
        std::vector<std::string> arguments;
        Request request;
        std::string error;
        PulseLines lines;
        std::string port;
        uint16_t width;
    } cases[] = {
        {{"ttyUSB0"}, Request::Run, "", PulseLines::Dtr, "ttyUSB0", 50},
        {{"/dev/ttyACM0", "200"}, Request::Run, "", PulseLines::Dtr, "/dev/ttyACM0", 200},
        {{"--line=rts", "ttyS0", "$32"}, Request::Run, "", PulseLines::Rts, "ttyS0", 50},
        {{"ttyS0", "--line", "both", "65535"}, Request::Run, "", PulseLines::Both, "ttyS0", 65535},
        {{"--line=dtr", "--", "lp0", "%1"}, Request::Run, "", PulseLines::Dtr, "lp0", 1},
        {{"--invert", "--line=both", "ttyUSB0"}, Request::Run, "", PulseLines::Both, "ttyUSB0", 50},
        {{"--sequence=D0|W0.05|U1,1", "ttyUSB0"}, Request::Run, "", PulseLines::Dtr, "ttyUSB0", 50},
        {{"--sequence=D0|W0.05", "ttyUSB0", "100"}, Request::Fail,
         "--sequence does not mix with WIDTH, --line or --invert" + hint, PulseLines::Dtr, "", 50},
        {{"--line=rts", "--sequence=R0", "ttyUSB0"}, Request::Fail,
         "--sequence does not mix with WIDTH, --line or --invert" + hint, PulseLines::Dtr, "", 50},
        {{"--sequence=D0|X1|D1", "ttyUSB0"}, Request::Fail,
         "invalid step in --sequence: 'X1' (D0, D1, R0, R1, U0,1 or a wait such as W0.05, separated by |)" + hint,
         PulseLines::Dtr, "", 50},
        {{"--expect=ready", "--baud=9.6e3", "--timeout=0.5", "--tries=3", "ttyUSB0"}, Request::Run, "", PulseLines::Dtr,
         "ttyUSB0", 50},
        {{"--expect=ready", "ttyUSB0"}, Request::Fail, "--expect needs --baud: the rate at which the board answers" + hint,
         PulseLines::Dtr, "", 50},
        {{"--baud=9600", "ttyUSB0"}, Request::Fail, "--baud, --timeout and --tries go with --expect" + hint,
         PulseLines::Dtr, "", 50},
        {{"--expect=", "--baud=9600", "ttyUSB0"}, Request::Fail, "--expect needs a text to wait for" + hint,
         PulseLines::Dtr, "", 50},
        {{"--expect=x", "--baud=9600.5", "ttyUSB0"}, Request::Fail,
         "invalid --baud: 9600.5 (a whole number of Baud, 1 to 12000000)" + hint, PulseLines::Dtr, "", 50},
        {{"--expect=x", "--baud=0", "ttyUSB0"}, Request::Fail,
         "invalid --baud: 0 (a whole number of Baud, 1 to 12000000)" + hint, PulseLines::Dtr, "", 50},
        {{"--expect=x", "--baud=9600", "--timeout=0", "ttyUSB0"}, Request::Fail,
         "invalid --timeout: 0 (seconds, above 0, at most 3600)" + hint, PulseLines::Dtr, "", 50},
        {{"--expect=x", "--baud=9600", "--tries=101", "ttyUSB0"}, Request::Fail, "invalid --tries: 101 (1 to 100)" + hint,
         PulseLines::Dtr, "", 50},
        {{"--invert=yes", "ttyUSB0"}, Request::Fail, "option --invert takes no value" + hint, PulseLines::Dtr, "", 50},
        {{"-l"}, Request::List, "", PulseLines::Dtr, "", 50},
        {{"--list", "--help"}, Request::Help, "", PulseLines::Dtr, "", 50},
        {{"--bogus", "-h"}, Request::Help, "", PulseLines::Dtr, "", 50},
        {{"x", "y", "z", "--version"}, Request::Version, "", PulseLines::Dtr, "", 50},
        {{}, Request::Fail, "no port given" + hint, PulseLines::Dtr, "", 50},
        {{"ttyS0", "0"}, Request::Fail, "invalid pulse width: 0 (1 to 65535 ms)" + hint, PulseLines::Dtr, "", 50},
        {{"ttyS0", "65536"}, Request::Fail, "invalid pulse width: 65536 (1 to 65535 ms)" + hint, PulseLines::Dtr, "", 50},
        {{"ttyS0", "50ms"}, Request::Fail, "invalid pulse width: 50ms (1 to 65535 ms)" + hint, PulseLines::Dtr, "", 50},
        {{"ttyS0", "1", "2"}, Request::Fail, "too many arguments: 2" + hint, PulseLines::Dtr, "", 50},
        {{"--line=cts", "ttyS0"}, Request::Fail, "invalid line: cts (dtr, rts or both)" + hint, PulseLines::Dtr, "", 50},
        {{"ttyS0", "--line"}, Request::Fail, "option --line needs a value" + hint, PulseLines::Dtr, "", 50},
        {{"--lines=dtr", "ttyS0"}, Request::Fail, "unknown option: --lines=dtr" + hint, PulseLines::Dtr, "", 50},
        // An abbreviation of two options is neither, and says which.
        {{"--li", "ttyS0"}, Request::Fail, "ambiguous option: --li (--list or --line)" + hint, PulseLines::Dtr, "", 50},
        {{"--t=1", "ttyS0"}, Request::Fail, "ambiguous option: --t (--timeout or --tries)" + hint, PulseLines::Dtr, "", 50},
        {{"--lin=rts", "ttyS0"}, Request::Run, "", PulseLines::Rts, "ttyS0", 50},
        {{"--=x", "ttyS0"}, Request::Fail, "unknown option: --=x" + hint, PulseLines::Dtr, "", 50},
        {{"-x", "ttyS0"}, Request::Fail, "unknown option: -x" + hint, PulseLines::Dtr, "", 50},
        {{"--list=all"}, Request::Fail, "option --list takes no value" + hint, PulseLines::Dtr, "", 50},
        // A negative number looks like an option to getopt.
        {{"ttyS0", "-5"}, Request::Fail, "unknown option: -5" + hint, PulseLines::Dtr, "", 50},
        {{"--list", "ttyS0"}, Request::Fail, "--list takes no port: ttyS0" + hint, PulseLines::Dtr, "", 50},
        {{"--json", "--list"}, Request::List, "", PulseLines::Dtr, "", 50},
        {{"--json", "ttyS0"}, Request::Fail, "--json goes with --list or --probe" + hint, PulseLines::Dtr, "", 50},
        {{"--probe", "--json", "--expect=ready", "--baud=9600,19200", "ttyUSB0"}, Request::Run, "", PulseLines::Dtr,
         "ttyUSB0", 50},
        {{"--probe", "ttyUSB0"}, Request::Fail,
         "--probe needs --expect: the text that the board sends when it runs" + hint, PulseLines::Dtr, "", 50},
        {{"--probe", "--expect=x", "--tries=2", "ttyUSB0"}, Request::Fail,
         "--tries does not go with --probe, which resets once for each try" + hint, PulseLines::Dtr, "", 50},
        {{"--inc=korvane.inc", "--expect=x", "--baud=9600", "ttyUSB0"}, Request::Fail, "--inc goes with --probe" + hint,
         PulseLines::Dtr, "", 50},
        {{"--expect=x", "--baud=9600,19200", "ttyUSB0"}, Request::Fail, "--baud takes one rate without --probe" + hint,
         PulseLines::Dtr, "", 50},
        {{"--probe", "--expect=x", "--baud=9600,,19200", "ttyUSB0"}, Request::Fail,
         "invalid --baud: 9600,,19200 (whole numbers of Baud, 1 to 12000000, separated by commas)" + hint, PulseLines::Dtr, "", 50},
    };
    for (const auto& c : cases) {
        std::string shown;
        for (const std::string& argument : c.arguments) {
            shown += " [" + argument + "]";
        }
        SCOPED_TRACE(shown);
        const CommandLine result = commandLineOf(c.arguments);
        EXPECT_EQ(result.request, c.request);
        EXPECT_EQ(result.errorText, c.error);
        if (c.request == Request::Run) {
            EXPECT_EQ(result.options.lines, c.lines);
            EXPECT_EQ(result.port, c.port);
            EXPECT_EQ(result.options.pulseWidth, c.width);
            EXPECT_EQ(result.options.inverted, c.arguments[0] == "--invert");
            EXPECT_EQ(result.options.expect, c.arguments[0] == "--expect=ready" || c.arguments[0] == "--probe");
            if (result.options.probe) {
                // A probe of many tries waits half a second after each release.
                EXPECT_EQ(result.options.answer.milliseconds, 500u);
                EXPECT_EQ(result.options.rates, (std::vector<uint32_t>{9600, 19200}));
                EXPECT_TRUE(result.json);
            } else if (result.options.expect) {
                EXPECT_EQ(result.options.answer.text, "ready");
                EXPECT_EQ(result.options.answer.baud, 9600u);
                EXPECT_EQ(result.options.answer.milliseconds, 500u);
                EXPECT_EQ(result.options.answer.tries, 3u);
            }
        }
    }
}

}  // namespace
}  // namespace korvane_reset
