#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "command_line.h"

namespace {

int rowNamed(const std::string& name)
{
    for (int index = 0; index < portCount; ++index) {
        if (name == portTable[index].name) {
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
        EXPECT_EQ(findPort(c.argument), c.row == nullptr ? -1 : rowNamed(c.row));
    }
}

TEST(PortTable, CuaNamesAreSecondNamesOfTheSerialPorts)
{
    for (char number : {'0', '1', '2', '3'}) {
        const PortEntry& tty = portTable[rowNamed(std::string("ttyS") + number)];
        const PortEntry& cua = portTable[rowNamed(std::string("cua") + number)];
        EXPECT_EQ(tty.kind, PortKind::Serial);
        EXPECT_EQ(cua.kind, PortKind::Serial);
        EXPECT_EQ(tty.defaultBase, cua.defaultBase) << number;
    }
}

struct ArgumentCase {
    std::vector<std::string> arguments;
    Request request;
    std::string errorText;
    const char* row;
    uint16_t pulseWidth;
};

TEST(ReadArguments, ChecksComeInTheirOrder)
{
    const std::string longText(300, 'x');
    const ArgumentCase cases[] = {
        {{}, Request::ShowUsage, "", nullptr, 0},
        {{"lp0"}, Request::Run, "", "lp0", 50},
        {{"/dev/ttyS1", "1"}, Request::Run, "", "ttyS1", 1},
        {{"null", "65535"}, Request::Run, "", "null", 65535},
        {{"null", " 50"}, Request::Run, "", "null", 50},
        {{"null", "$FFFF"}, Request::Run, "", "null", 65535},
        {{"LP0", "x", "third", "fourth"}, Request::Fail, "too many parameters: third", nullptr, 0},
        {{"lp0", "50", ""}, Request::Fail, "too many parameters: ", nullptr, 0},
        {{"lp3", "0"}, Request::Fail, "illegal port name: lp3", nullptr, 0},
        {{"/dev/LP0"}, Request::Fail, "illegal port name: /dev/LP0", nullptr, 0},
        {{"-h"}, Request::Fail, "illegal port name: -h", nullptr, 0},
        {{"lp0", "0"}, Request::Fail, "invalid pulse-width: 0", nullptr, 0},
        {{"lp0", "65536"}, Request::Fail, "invalid pulse-width: 65536", nullptr, 0},
        {{"lp0", "-5"}, Request::Fail, "invalid pulse-width: -5", nullptr, 0},
        {{"lp0", "$FFFFFFFF"}, Request::Fail, "invalid pulse-width: $FFFFFFFF", nullptr, 0},
        {{"lp0", "50 "}, Request::Fail, "invalid pulse-width: 50 ", nullptr, 0},
        {{"lp0", ""}, Request::Fail, "invalid pulse-width: ", nullptr, 0},
        // Arguments are cut to 255 characters, and so is the message.
        {{longText}, Request::Fail, "illegal port name: " + std::string(236, 'x'), nullptr, 0},
        {{"null", std::string(260, ' ') + "50"}, Request::Fail,
         "invalid pulse-width: " + std::string(234, ' '), nullptr, 0},
    };
    for (const ArgumentCase& c : cases) {
        std::string shown;
        for (const std::string& argument : c.arguments) {
            shown += "[" + argument.substr(0, 20) + "]";
        }
        SCOPED_TRACE("arguments " + shown);
        const ArgumentOutcome outcome = readArguments(c.arguments);
        EXPECT_EQ(outcome.request, c.request);
        EXPECT_EQ(outcome.errorText, c.errorText);
        if (c.request == Request::Run) {
            EXPECT_EQ(outcome.portIndex, rowNamed(c.row));
            EXPECT_EQ(outcome.pulseWidth, c.pulseWidth);
        }
    }
}

TEST(ErrorTexts, PortsAreNamedByTheirTableNames)
{
    const int lp1 = rowNamed("lp1");
    EXPECT_EQ(resolutionErrorText(PortKind::NotFound, lp1), "port not found: /dev/lp1");
    EXPECT_EQ(resolutionErrorText(PortKind::AccessDenied, lp1), "access denied: /dev/lp1");
    EXPECT_EQ(resolutionErrorText(PortKind::InvalidBase, lp1), "invalid base address: /dev/lp1");
    EXPECT_EQ(hardwareFailureText(rowNamed("cua2")), "hardware failure: cua2");
    EXPECT_EQ(errorLine("no root privilege"), "@@@@@ no root privilege @@@@@");
}

}  // namespace
