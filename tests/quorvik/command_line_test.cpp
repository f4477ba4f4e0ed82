#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "quorvik/command_line.h"
#include "reset/port_table.h"

namespace quorvik {

namespace {

int rowNamed(const std::string& name)
{
    for (int index = 0; index < reset::portCount; ++index) {
        if (name == reset::portTable[index].name) {
            return index;
        }
    }
    return -1;
}

TEST(FindPort, DevicePrefixIsTakenOffOnceAndNamesAreCaseSensitive)
{
    const struct {
        const char* argument;
        const char* row;  // nullptr: no row
    } cases[] = {
        {"lp0", "lp0"},
        {"/dev/lp0", "lp0"},
        {"/dev/null", "null"},
        {"null", "null"},
        {"ttyS3", "ttyS3"},
        {"/dev/cua1", "cua1"},
        {"/dev//dev/lp0", nullptr},
        {"dev/lp0", nullptr},
        {"/dev/", nullptr},
        {"//dev/lp0", nullptr},
        {"LP0", nullptr},
        {"ttys0", nullptr},
        {"lp3", nullptr},
        {"lp0 ", nullptr},
        {" lp0", nullptr},
        {"lp", nullptr},
        {"-h", nullptr},
        {"", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("argument [") + c.argument + "]");
        EXPECT_EQ(reset::findPort(c.argument), c.row == nullptr ? -1 : rowNamed(c.row));
    }
}

TEST(PortTable, CuaNamesAreSecondNamesOfTheSerialPorts)
{
    for (char number : {'0', '1', '2', '3'}) {
        const reset::PortEntry& tty = reset::portTable[rowNamed(std::string("ttyS") + number)];
        const reset::PortEntry& cua = reset::portTable[rowNamed(std::string("cua") + number)];
        EXPECT_EQ(tty.kind, reset::PortKind::Serial);
        EXPECT_EQ(cua.kind, reset::PortKind::Serial);
        EXPECT_EQ(tty.defaultBase, cua.defaultBase) << number;
    }
}

// The row and width that a run goes on with; the error lines of the checks
// are compared on the built program.
TEST(ReadArguments, RunGetsTheRowAndTheWidth)
{
    const struct {
        std::vector<std::string> arguments;
        const char* row;
        uint16_t pulseWidth;
    } cases[] = {
        {{"lp0"}, "lp0", 50},
        {{"/dev/ttyS1", "1"}, "ttyS1", 1},
        {{"cua2", "65535"}, "cua2", 65535},
        {{"/dev/lp2", " \t$32"}, "lp2", 50},
        {{"null", "%110010"}, "null", 50},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments[0]);
        const ArgumentOutcome outcome = readArguments(c.arguments);
        EXPECT_EQ(outcome.request, Request::Run);
        EXPECT_EQ(outcome.portIndex, rowNamed(c.row));
        EXPECT_EQ(outcome.pulseWidth, c.pulseWidth);
    }
    EXPECT_EQ(readArguments({}).request, Request::ShowUsage);
}

}  // namespace

}  // namespace quorvik
