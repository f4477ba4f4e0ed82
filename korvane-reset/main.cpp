// korvane-reset: resets the target board with a pulse through the kernel's
// serial or parallel port driver, so that USB adapters work, on any
// architecture and without root. The run order and the exit statuses live
// here; the reset, its checks and its texts are the reset library's, and the
// machine is reached only through its seam, reset/port.h.
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "calculator/include_file.h"
#include "common/command_line_frame.h"
#include "common/exit_status.h"
#include "common/line_output.h"
#include "common/millisecond_wait.h"
#include "korvane-reset/command_line.h"
#include "reset/expect.h"
#include "reset/listing.h"
#include "reset/messages.h"
#include "reset/plan.h"
#include "reset/port.h"
#include "reset/probe_verdict.h"

namespace korvane_reset {
namespace {

using namespace reset;

bool printOut(const std::vector<std::string>& lines)
{
    return common::writeLines(common::Stream::Out, lines);
}

// exitFailure also when the lines themselves could not be written.
[[noreturn]] void finish(bool printed, int status)
{
    common::endProcess(printed ? status : common::exitFailure);
}

[[noreturn]] void fail(const std::string& text, int status = common::exitFailure)
{
    finish(common::writeLines(common::Stream::Err, {errorLine(text)}), status);
}

// A signal caught during the run ends it once the lines are back at rest,
// silently, as the signal would have ended it.
void endIfSignalled()
{
    if (common::caughtEndingSignal() != 0) {
        common::endBySignal(common::caughtEndingSignal());
    }
}

std::unique_ptr<OpenPort> openPort(const std::string& path, const Options& options)
{
    std::unique_ptr<OpenPort> port;
    const int error = openMachinePort(path, linesAtRest(options), port);
    if (error != 0) {
        fail(openFailureText(error, path, deviceOwner(path)));
    }
    return port;
}

// The port opened, reset and closed as it goes, after the lines' reset: on
// Linux without HUPCL, so that DTR and RTS stay as the reset left them.
PulseReport resetDevice(const std::string& path, ResetAction action, const Options& options)
{
    const std::unique_ptr<OpenPort> port = openPort(path, options);
    // The board's text as it comes, without a line feed of its own.
    const auto show = [](const std::string& text) { return common::writeAll(common::Stream::Out, text) == 0; };
    return resetOpenPort(*port, action, options, show);
}

// korvane.inc for --probe: --inc's file, which must be one, else the one
// that mardeluk wrote here, if any, which is named on standard error and
// ignored where it is none.
std::optional<calculator::IncludeFacts> readInclude(const Options& options)
{
    const bool named = !options.includePath.empty();
    const std::string path = named ? options.includePath : calculator::includeFileName;
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        if (named) {
            fail("cannot read " + path + ": " + std::strerror(errno));
        }
        return std::nullopt;
    }
    // A korvane.inc is some 700 bytes; far more is some other file.
    constexpr std::streamsize mostRead = 65536;
    std::string text(static_cast<size_t>(mostRead), '\0');
    file.read(&text[0], mostRead);
    text.resize(static_cast<size_t>(file.gcount()));
    std::string problem;
    std::optional<calculator::IncludeFacts> facts = probeInclude(path, text, named, problem);
    if (!facts && named) {
        fail(problem);
    }
    if (!facts && !common::writeLines(common::Stream::Err, {errorLine(problem)})) {
        common::endProcess(common::exitFailure);
    }
    return facts;
}

// --probe: the tries shown on standard error as they end, the verdict on
// standard output.
[[noreturn]] void probeDevice(const CommandLine& commandLine, const std::string& path)
{
    const Options& options = commandLine.options;
    Probe probe = startProbe(ProbeSetup{options, readInclude(options), portRateMaker(path)});
    const std::unique_ptr<OpenPort> port = openPort(path, options);
    const auto shown = [&probe](const TryRecord& record) {
        return common::writeLines(common::Stream::Err, {tryLine(probe, record)});
    };
    const PulseReport report = runProbe(port->modemLines(), port->receiveLine(), probe, shown);
    endIfSignalled();
    if (report.outcome != PulseOutcome::Done) {
        const RunEnd end = runEnd(report, options, path);
        fail(end.errorText, end.status);
    }
    const ProbeVerdict verdict = judgeProbe(probe, commandLine.port);
    const bool printed = commandLine.json ? printOut({verdictJson(verdict, probe)}) : printOut(verdictLines(verdict, probe));
    finish(printed, verdictStatus(verdict));
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
    case Request::List:
        finish(printOut(listLines(listedPorts(), commandLine.json)), common::exitSuccess);
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
    if (plan.action == ResetAction::Fail) {
        fail(plan.errorText);
    }
    if (plan.action == ResetAction::Wait) {
        common::waitMilliseconds(plan.milliseconds);
        endIfSignalled();
        return common::exitSuccess;
    }
    if (options.probe) {
        probeDevice(commandLine, target.path);
    }
    const PulseReport report = resetDevice(target.path, plan.action, options);
    endIfSignalled();
    const RunEnd end = runEnd(report, options, target.path);
    if (end.status != common::exitSuccess) {
        fail(end.errorText, end.status);
    }
    return common::exitSuccess;
}

}  // namespace
}  // namespace korvane_reset

int main(int argc, char* argv[])
{
    return korvane_reset::run(argc, argv);
}
