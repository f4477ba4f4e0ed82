#include "reset/messages.h"

#include <cerrno>
#include <cstring>

#include "common/exit_status.h"
#include "reset/received_text.h"

namespace reset {

namespace {

std::string permissionDeniedText(const std::string& path, const DeviceOwner& owner)
{
    // Membership of a group counts only from the next login on.
    if (owner.groupMayOpen && !owner.group.empty() && owner.group != "root") {
        return "permission denied: " + path + " (group " + owner.group +
               ": add your user to it and log in again)";
    }
    return "permission denied: " + path + " (only its owner may open it: ask the administrator)";
}

// The device file is there, its device is not: an adapter unplugged before
// the run, or a legacy serial port without a UART behind it.
std::string noDeviceText(const std::string& path)
{
    return "no such port: " + path + " (no device behind the file)";
}

std::string systemErrorText(int error)
{
    return std::strerror(error);
}

}  // namespace

std::string errorLine(const std::string& text)
{
    return std::string(programName) + ": " + text;
}

std::string openFailureText(int error, const std::string& path, const DeviceOwner& owner)
{
    if (deviceGone(error)) {
        return noDeviceText(path);
    }
    switch (error) {
    case ENOENT:
    case ENOTDIR:
        return noSuchPortText(path);
    case EACCES:
    case EPERM:
        return permissionDeniedText(path, owner);
    case EBUSY:
        return "port busy: " + path + " (another program holds it exclusively)";
    case EISDIR:
        return notModemPortText(path);
    default:
        return "cannot open " + path + ": " + systemErrorText(error);
    }
}

std::string pulseFailureText(const PulseReport& report, const std::string& path)
{
    switch (report.outcome) {
    case PulseOutcome::NotModemPort:
        return notModemPortText(path);
    case PulseOutcome::NoDevice:
        return noDeviceText(path);
    case PulseOutcome::NotParallelPort:
        return "not a parallel port: " + path;
    case PulseOutcome::Busy:
        return "parallel port busy: " + path + " (another driver holds it)";
    case PulseOutcome::Disappeared:
        return "port disappeared: " + path + " (" + systemErrorText(report.detail) + ")";
    case PulseOutcome::ReadBackFailed:
        return "read-back failed: " + path + " (the lines did not keep the levels written)";
    case PulseOutcome::Failed:
        return "cannot drive " + path + ": " + report.step + ": " + systemErrorText(report.detail);
    case PulseOutcome::Done:
    case PulseOutcome::Interrupted:
    case PulseOutcome::NoAnswer:
    case PulseOutcome::RateRefused:
    case PulseOutcome::AnswerNotShown:
        break;
    }
    return "";
}

std::string rateRefusedText(const std::string& path, uint32_t asked, uint32_t kept)
{
    return "cannot run " + path + " at " + std::to_string(asked) + " Baud: its driver keeps " +
           std::to_string(kept) + " Baud";
}

std::string answerNotShownText()
{
    return "standard output did not take the board's answer";
}


RunEnd runEnd(const PulseReport& report, const Options& options, const std::string& path)
{
    const ExpectRequest& answer = options.answer;
    switch (report.outcome) {
    case PulseOutcome::Done:
        return RunEnd{common::exitSuccess, ""};
    case PulseOutcome::NoAnswer:
        return RunEnd{common::exitNoAnswer, noAnswerText(options.timeoutText, answer.baud, answer.tries,
                                                                  static_cast<size_t>(report.detail), answer.text)};
    case PulseOutcome::AnswerNotShown:
        return RunEnd{common::exitAnswerNotShown, answerNotShownText()};
    case PulseOutcome::RateRefused:
        return RunEnd{common::exitFailure, rateRefusedText(path, answer.baud, static_cast<uint32_t>(report.detail))};
    default:
        break;
    }
    return RunEnd{common::exitFailure, pulseFailureText(report, path)};
}

}  // namespace reset
