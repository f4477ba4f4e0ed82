// The plan of a run: the options against what the port turned out to be,
// and a reset as steps. (null with --expect and a file that is no port are
// proven end to end in program_test.cpp.)
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

// "Off 2" is TIOCMBIC of DTR, "On 6" TIOCMBIS of both, "Set 6=4" one
// TIOCMSET with RTS on; a wait is its milliseconds.
std::string stepsText(const SerialPlan& plan)
{
    const char* calls[] = {"Off", "On", "Set"};
    std::string text;
    for (size_t index = 0; index < plan.steps.size(); ++index) {
        const SequenceStep& step = plan.steps[index];
        text += index == 0 ? "" : "|";
        text += step.kind == StepKind::Wait ? "W" + std::to_string(step.milliseconds)
                                            : calls[static_cast<int>(step.call)] + std::string(" ") +
                                                  std::to_string(step.lines) +
                                                  (step.call == LineCall::Set ? "=" + std::to_string(step.levels) : "");
    }
    return text;
}

// The pulse as the steps that it always was on the driver: a plain pulse
// releases the board at its last step, a sequence after its first.
TEST(SerialPlan, ThePulseAndTheSequenceAsSteps)
{
    const struct {
        Given given;
        std::optional<std::string> width;
        std::string steps;
        size_t releaseAfter;
        int checkedLines;
        int rest;
    } cases[] = {
        {{}, {}, "Off 2|W50|On 6", 2, 6, 6},
        {{{Option::Line, "rts"}}, "$28", "Off 4|W40|On 6", 2, 6, 6},
        {{{Option::Line, "both"}}, {}, "Off 6|W50|On 6", 2, 6, 6},
        {{{Option::Invert, ""}}, "20", "On 2|W20|Off 2", 2, 2, 4},
        {{{Option::Invert, ""}, {Option::Line, "both"}}, {}, "On 6|W50|Off 6", 2, 6, 0},
        {{{Option::Sequence, "D0|W0.05|U1,1"}}, {}, "Off 2|W50|Set 6=6", 0, 6, 6},
        {{{Option::Sequence, "R0|D0|W0.1|D1|W0.05|R1"}}, {}, "Off 4|Off 2|W100|On 2|W50|On 4", 0, 6, 6},
        {{{Option::Sequence, "U0,1|W0.01"}}, {}, "Set 6=4|W10", 0, 6, 4},
    };
    for (const auto& c : cases) {
        const SerialPlan plan = serialPlan(optionsOf(c.given, c.width));
        SCOPED_TRACE(c.steps);
        EXPECT_EQ(stepsText(plan), c.steps);
        EXPECT_EQ(plan.releaseAfter, c.releaseAfter);
        EXPECT_EQ(plan.checkedLines, c.checkedLines);
        EXPECT_EQ(linesAtRest(optionsOf(c.given, c.width)), c.rest);
    }
}

}  // namespace
}  // namespace reset
