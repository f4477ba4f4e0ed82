#include "korvane-reset/reset_plan.h"

#include "korvane-reset/messages.h"
#include "reset/sequence.h"

namespace korvane_reset {

namespace {

ResetPlan failure(const std::string& text)
{
    return ResetPlan{ResetAction::Fail, 0, text};
}

}  // namespace

ResetPlan planReset(const CommandLine& commandLine, const PortTarget& target, DeviceUse use)
{
    if (target.onlyWait) {
        if (commandLine.expect) {
            return failure("--expect needs a serial port: null only waits");
        }
        return ResetPlan{ResetAction::Wait,
                         commandLine.sequence.empty() ? commandLine.pulseWidth
                                                      : reset::sequenceMilliseconds(commandLine.sequence),
                         ""};
    }
    switch (use) {
    case DeviceUse::Missing:
        return failure(noSuchPortText(target.path));
    case DeviceUse::NotAPort:
        return failure(notModemPortText(target.path));
    case DeviceUse::Parallel:
        if (!commandLine.sequence.empty()) {
            return failure("--sequence needs a serial port: " + target.path);
        }
        if (commandLine.expect) {
            return failure("--expect needs a serial port: " + target.path);
        }
        return ResetPlan{ResetAction::PulseParallel, 0, ""};
    case DeviceUse::Serial:
        break;
    }
    return ResetPlan{ResetAction::PulseSerial, 0, ""};
}

}  // namespace korvane_reset
