// The plan of a run: the options against what the port turned out to be.
// (null with --expect and a file that is no port are proven end to end in
// program_test.cpp; the steps of each reset by their driver calls in
// run_test.cpp.)
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "reset/options.h"
#include "reset/plan.h"
#include "reset/port_names.h"

namespace reset {
namespace {

using Given = std::vector<std::pair<Option, std::string>>;

Options optionsOf(const Given& given, const std::optional<std::string>& width = std::nullopt)
{
    Options options;
    for (const auto& [option, value] : given) {
        EXPECT_EQ(readOption(option, value, options), "");
    }
    EXPECT_EQ(completeOptions(options, width), "");
    return options;
}

TEST(ResetPlan, OptionsAgainstThePort)
{
    const struct {
        Given given;
        std::string port;
        std::optional<std::string> width;
        DeviceUse use;
        ResetAction action;
        uint32_t milliseconds;
        std::string errorText;
    } cases[] = {
        {{}, "null", {}, DeviceUse::Missing, ResetAction::Wait, 50, ""},
        // null names no file: what the file would be is not looked at.
        {{}, "null", "30", DeviceUse::Parallel, ResetAction::Wait, 30, ""},
        {{{Option::Sequence, "W0.02|D1|W0.04"}}, "null", {}, DeviceUse::Missing, ResetAction::Wait, 60, ""},
        {{}, "ttyUSB0", {}, DeviceUse::Serial, ResetAction::PulseSerial, 0, ""},
        {{}, "ttyUSB9", "200", DeviceUse::Missing, ResetAction::Fail, 0, "no such port: /dev/ttyUSB9"},
        {{{Option::Invert, ""}}, "lp0", "100", DeviceUse::Parallel, ResetAction::PulseParallel, 0, ""},
        {{{Option::Sequence, "D0|W0.05|U1,1"}}, "lp1", {}, DeviceUse::Parallel, ResetAction::Fail, 0,
         "--sequence needs a serial port: /dev/parport1"},
        {{{Option::Expect, "ready"}, {Option::Baud, "9600"}}, "parport0", {}, DeviceUse::Parallel, ResetAction::Fail, 0,
         "--expect needs a serial port: /dev/parport0"},
        // Both on a parallel port: the sequence is named first.
        {{{Option::Expect, "ready"}, {Option::Baud, "9600"}, {Option::Sequence, "D0"}}, "parport0", {},
         DeviceUse::Parallel, ResetAction::Fail, 0, "--sequence needs a serial port: /dev/parport0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.port);
        const ResetPlan plan = planReset(optionsOf(c.given, c.width), resolvePortName(c.port), c.use);
        EXPECT_EQ(plan.action, c.action);
        EXPECT_EQ(plan.milliseconds, c.milliseconds);
        EXPECT_EQ(plan.errorText, c.errorText);
    }
}

}  // namespace
}  // namespace reset
