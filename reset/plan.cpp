#include "reset/plan.h"

namespace reset {

namespace {

ResetPlan failure(const std::string& text)
{
    return ResetPlan{ResetAction::Fail, 0, text};
}

SequenceStep linesStep(LineCall call, int lines, int levels)
{
    return SequenceStep{StepKind::Lines, lines, levels, 0, call};
}

// The option that waits for the board, as the user gave it.
std::string waitingOption(const Options& options)
{
    return options.probe ? "--probe" : "--expect";
}

}  // namespace

ResetPlan planReset(const Options& options, const PortTarget& target, DeviceUse use)
{
    if (target.onlyWait) {
        if (options.expect) {
            return failure(waitingOption(options) + " needs a serial port: null only waits");
        }
        return ResetPlan{ResetAction::Wait,
                         options.sequence.empty() ? options.pulseWidth : sequenceMilliseconds(options.sequence), ""};
    }
    switch (use) {
    case DeviceUse::Missing:
        return failure(noSuchPortText(target.path));
    case DeviceUse::NotAPort:
        return failure(notModemPortText(target.path));
    case DeviceUse::Parallel:
        if (!options.sequence.empty()) {
            return failure("--sequence needs a serial port: " + target.path);
        }
        if (options.expect) {
            return failure(waitingOption(options) + " needs a serial port: " + target.path);
        }
        return ResetPlan{ResetAction::PulseParallel, 0, ""};
    case DeviceUse::Serial:
        break;
    }
    return ResetPlan{ResetAction::PulseSerial, 0, ""};
}

SerialPlan serialPlan(const Options& options)
{
    if (!options.sequence.empty()) {
        return SerialPlan{options.sequence, 0, restLines, Restore::EndState};
    }
    const int pulse = linesOf(options.lines);
    const SequenceStep wait{StepKind::Wait, 0, 0, options.pulseWidth};
    if (options.inverted) {
        return SerialPlan{{linesStep(LineCall::On, pulse, pulse), wait, linesStep(LineCall::Off, pulse, 0)},
                          2, pulse, Restore::LastStep};
    }
    return SerialPlan{{linesStep(LineCall::Off, pulse, 0), wait, linesStep(LineCall::On, restLines, restLines)},
                      2, restLines, Restore::LastStep};
}

int linesAtRest(const Options& options)
{
    return linesAfterSequence(serialPlan(options).steps, restLines);
}

}  // namespace reset
