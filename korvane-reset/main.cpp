// korvane-reset: resets the target board with a pulse through the kernel's
// serial or parallel port driver, so that USB adapters work, on any
// architecture and without root. The run order and the exit statuses live
// here; the reset, its checks and its texts are the reset library's, and the
// machine is reached only through its seam, reset/port.h.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/command_line_frame.h"
#include "common/exit_status.h"
#include "common/line_output.h"
#include "common/millisecond_wait.h"
#include "korvane-reset/command_line.h"
#include "reset/expect.h"
#include "reset/messages.h"
#include "reset/plan.h"
#include "reset/port.h"
#include "reset/received_text.h"
#include "reset/run.h"

namespace korvane_reset {
namespace {

using namespace reset;

bool printOut(const std::vector<std::string>& lines)
{
    return common::writeLines(common::Stream::Out, lines);
}

bool printErr(const std::vector<std::string>& lines)
{
    return common::writeLines(common::Stream::Err, lines);
}

// The board's text as it comes, without a line feed of its own.
bool showOut(const std::string& text)
{
    return common::writeAll(common::Stream::Out, text) == 0;
}

// exitFailure also when the lines themselves could not be written.
[[noreturn]] void finish(bool printed, int status)
{
    common::endProcess(printed ? status : common::exitFailure);
}

[[noreturn]] void fail(const std::string& text)
{
    finish(printErr({errorLine(text)}), common::exitFailure);
}

// A signal caught during the run ends it once the lines are back at rest,
// silently, as the signal would have ended it.
void endIfSignalled()
{
    if (common::caughtEndingSignal() != 0) {
        common::endBySignal(common::caughtEndingSignal());
    }
}

PulseReport pulseDevice(const std::string& path, ResetAction action, const Options& options)
{
    std::unique_ptr<OpenPort> port;
    const int error = openMachinePort(path, linesAtRest(options), port);
    if (error != 0) {
        fail(openFailureText(error, path, deviceOwner(path)));
    }
    if (action == ResetAction::PulseParallel) {
        ParallelDriver* parallel = port->parallel();
        return parallel != nullptr ? pulseParallel(*parallel, options.inverted, options.pulseWidth)
                                   : PulseReport{PulseOutcome::NotParallelPort, 0, ""};
    }
    ModemLineDriver& driver = port->modemLines();
    const SerialPlan plan = serialPlan(options);
    if (!options.expect) {
        return runSerial(driver, plan);
    }
    // The board's text as it comes, ended by a line feed.
    char last = '\n';
    const auto show = [&last](const std::string& text) {
        last = text.empty() ? last : text.back();
        return text.empty() || showOut(text);
    };
    const auto reset = [&](const std::function<int()>& released) { return runSerial(driver, plan, released); };
    PulseReport report = expectAnswer(driver, port->receiveLine(), options.answer, reset, show);
    // The answer's last line feed is part of it: where that is lost too, the
    // board's outcome is not what the user got.
    const bool boardsOutcome = report.outcome == PulseOutcome::Done || report.outcome == PulseOutcome::NoAnswer;
    if (last != '\n' && !showOut("\n") && boardsOutcome) {
        report = PulseReport{PulseOutcome::AnswerNotShown, 0, ""};
    }
    // The port closes as it goes, after the lines' reset: on Linux without
    // HUPCL, so that DTR and RTS stay as the reset left them.
    return report;
}

int run(int argc, char* argv[])
{
    const CommandLine commandLine = readCommandLine(argc, argv);
    switch (commandLine.request) {
    case Request::Help:
        finish(printOut(helpLines()), common::exitSuccess);
    case Request::Version:
        finish(printOut({common::versionLine(programName)}), common::exitSuccess);
    case Request::Fail:
        fail(commandLine.errorText);
    case Request::List: {
        const std::vector<PortListing> listings = listedPorts();
        if (commandLine.json) {
            finish(printOut({listJson(listings)}), common::exitSuccess);
        }
        std::vector<std::string> lines;
        for (const PortListing& listing : listings) {
            lines.push_back(listLine(listing));
        }
        finish(printOut(lines.empty() ? std::vector<std::string>{"no serial or parallel ports found"} : lines),
               common::exitSuccess);
    }
    case Request::Run:
        break;
    }

    // From here on Ctrl-C, SIGTERM and SIGHUP wait for the lines to be back.
    common::watchEndingSignals();
    const PortTarget target = resolvePort(commandLine.port);
    // null names no file: there is nothing to look at, and the plan does not ask.
    const DeviceUse use = target.onlyWait ? DeviceUse::Missing : portUse(target);
    const Options& options = commandLine.options;
    const ResetPlan plan = planReset(options, target, use);
    switch (plan.action) {
    case ResetAction::Fail:
        fail(plan.errorText);
    case ResetAction::Wait:
        common::waitMilliseconds(plan.milliseconds);
        endIfSignalled();
        return common::exitSuccess;
    case ResetAction::PulseSerial:
    case ResetAction::PulseParallel:
        break;
    }
    const PulseReport report = pulseDevice(target.path, plan.action, options);
    endIfSignalled();
    if (report.outcome == PulseOutcome::NoAnswer) {
        const ExpectRequest& answer = options.answer;
        finish(printErr({errorLine(noAnswerText(options.timeoutText, answer.baud, answer.tries))}), common::exitNoAnswer);
    }
    if (report.outcome == PulseOutcome::AnswerNotShown) {
        finish(printErr({errorLine(answerNotShownText())}), common::exitAnswerNotShown);
    }
    if (report.outcome == PulseOutcome::RateRefused) {
        fail(rateRefusedText(target.path, options.answer.baud, static_cast<uint32_t>(report.detail)));
    }
    if (report.outcome != PulseOutcome::Done) {
        fail(pulseFailureText(report, target.path));
    }
    return common::exitSuccess;
}

}  // namespace
}  // namespace korvane_reset

int main(int argc, char* argv[])
{
    return korvane_reset::run(argc, argv);
}
