// The plan of a run: the options against what the port turned out to be.
// (null with --expect and a file that is no port are proven end to end in
// program_test.cpp.)
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "command_line_of.h"
#include "korvane-reset/command_line.h"
#include "korvane-reset/port_names.h"
#include "korvane-reset/reset_plan.h"

namespace korvane_reset {
namespace {

TEST(ResetPlan, OptionsAgainstThePort)
{
    const struct {
        std::vector<std::string> arguments;
        DeviceUse use;
        ResetAction action;
        uint32_t milliseconds;
        std::string errorText;
    } cases[] = {
        {{"null"}, DeviceUse::Missing, ResetAction::Wait, 50, ""},
        // null names no file: what the file would be is not looked at.
        {{"null", "30"}, DeviceUse::Parallel, ResetAction::Wait, 30, ""},
        {{"--sequence=W0.02|D1|W0.04", "null"}, DeviceUse::Missing, ResetAction::Wait, 60, ""},
        {{"ttyUSB0"}, DeviceUse::Serial, ResetAction::PulseSerial, 0, ""},
        {{"ttyUSB9", "200"}, DeviceUse::Missing, ResetAction::Fail, 0, "no such port: /dev/ttyUSB9"},
        {{"--invert", "lp0", "100"}, DeviceUse::Parallel, ResetAction::PulseParallel, 0, ""},
        {{"--sequence=D0|W0.05|U1,1", "lp1"}, DeviceUse::Parallel, ResetAction::Fail, 0,
         "--sequence needs a serial port: /dev/parport1"},
        {{"--expect=ready", "--baud=9600", "parport0"}, DeviceUse::Parallel, ResetAction::Fail, 0,
         "--expect needs a serial port: /dev/parport0"},
        // Both on a parallel port: the sequence is named first.
        {{"--expect=ready", "--baud=9600", "--sequence=D0", "parport0"}, DeviceUse::Parallel, ResetAction::Fail, 0,
         "--sequence needs a serial port: /dev/parport0"},
    };
    for (const auto& c : cases) {
        std::string shown;
        for (const std::string& argument : c.arguments) {
            shown += " [" + argument + "]";
        }
        SCOPED_TRACE(shown);
        const CommandLine commandLine = commandLineOf(c.arguments);
        ASSERT_EQ(commandLine.request, Request::Run) << commandLine.errorText;
        const ResetPlan plan = planReset(commandLine, resolvePortName(commandLine.port), c.use);
        EXPECT_EQ(plan.action, c.action);
        EXPECT_EQ(plan.milliseconds, c.milliseconds);
        EXPECT_EQ(plan.errorText, c.errorText);
    }
}

}  // namespace
}  // namespace korvane_reset
