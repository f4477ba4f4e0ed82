// The page's fields read as the command line that the page shows: the same
// words, the program's checks in the program's order, the rate the port
// opens at.
#include <gtest/gtest.h>

#include <string>

#include "reset/fields.h"

namespace reset {
namespace {

Fields withDefaults(const std::string& line, const std::string& width, bool invert, const std::string& sequence,
                    const std::string& expect, const std::string& baud, const std::string& timeout = "2",
                    const std::string& tries = "1")
{
    return Fields{line, width, invert, sequence, expect, baud, timeout, tries};
}

TEST(Fields, TheCommandLineAndItsChecks)
{
    const struct {
        const char* name;
        Fields fields;
        std::string command;
        std::string error;
        uint32_t rate;
        uint16_t width;
    } cases[] = {
        {"defaults", withDefaults("dtr", "50", false, "", "", "9600"), "korvane-reset PORT", "", 9600, 50},
        // The program's number forms of a width, and a rate read as mardeluk reads it.
        {"hexadecimal width", withDefaults("rts", "$28", false, "", "", "57600"), "korvane-reset --line=rts PORT '$28'",
         "", 57600, 40},
        {"binary width", withDefaults("dtr", "%101000", false, "", "", "9.6e3"), "korvane-reset PORT %101000", "", 9600,
         40},
        {"width with a sign", withDefaults("dtr", "+40", false, "", "", "9600"), "korvane-reset PORT +40", "", 9600, 40},
        {"width zero", withDefaults("dtr", "0", false, "", "", "9600"), "korvane-reset PORT 0",
         "invalid pulse width: 0 (1 to 65535 ms)", 0, 50},
        {"rate in C's hexadecimal", withDefaults("dtr", "50", false, "", "ready", "0x2580"),
         "korvane-reset --expect=ready --baud=0x2580 PORT",
         "invalid --baud: 0x2580 (a whole number of Baud, 1 to 12000000)", 0, 50},
        {"rate between spaces, without --expect", withDefaults("dtr", "50", false, "", "", " 9600 "), "korvane-reset PORT",
         "invalid --baud:  9600  (a whole number of Baud, 1 to 12000000)", 0, 50},
        // The program reads the options in order, then how they combine.
        {"steps in small letters", withDefaults("dtr", "50", false, "d0|w0.05|d1", "", "9600"),
         "korvane-reset '--sequence=d0|w0.05|d1' PORT",
         "invalid step in --sequence: 'd0' (D0, D1, R0, R1, U0,1 or a wait such as W0.05, separated by |)", 0, 50},
        {"a sequence with a width", withDefaults("dtr", "20", false, "U0,0|W0.05|U1,1", "", "9600"),
         "korvane-reset '--sequence=U0,0|W0.05|U1,1' PORT 20", "--sequence does not mix with WIDTH, --line or --invert",
         0, 50},
        {"a bad step before a bad timeout", withDefaults("dtr", "50", false, "D0||D1", "ready", "9600", "0"),
         "korvane-reset '--sequence=D0||D1' --expect=ready --baud=9600 --timeout=0 PORT",
         "invalid step in --sequence: '' (D0, D1, R0, R1, U0,1 or a wait such as W0.05, separated by |)", 0, 50},
        // Without a text to wait for, the wait's fields are not part of the command.
        {"timeout and tries without --expect", withDefaults("both", "50", true, "", "", "19200", "x", "0"),
         "korvane-reset --line=both --invert PORT", "", 19200, 50},
        {"tries beyond 100", withDefaults("dtr", "50", false, "", "it's ready", "9600", "0.5", "101"),
         "korvane-reset '--expect=it'\\''s ready' --baud=9600 --timeout=0.5 --tries=101 PORT",
         "invalid --tries: 101 (1 to 100)", 0, 50},
        {"an empty width", withDefaults("dtr", "", false, "", "", "9600"), "korvane-reset PORT ''",
         "invalid pulse width:  (1 to 65535 ms)", 0, 50},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const FieldsRead read = readFields(c.fields);
        EXPECT_EQ(read.command, c.command);
        EXPECT_EQ(read.errorText, c.error);
        if (c.error.empty()) {
            EXPECT_EQ(read.rate, c.rate);
            EXPECT_EQ(read.options.pulseWidth, c.width);
        }
    }
}

}  // namespace
}  // namespace reset
