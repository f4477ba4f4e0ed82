// korvane-reset: resets the target board with a pulse through the kernel's
// serial or parallel port driver, so that USB adapters work, on any
// architecture and without root. The run order, every line it prints and its
// exit statuses live here.
#include <string>
#include <unistd.h>
#include <vector>

#include "common/exit_status.h"
#include "common/line_output.h"
#include "common/millisecond_wait.h"
#include "korvane-reset/command_line.h"
#include "korvane-reset/expect.h"
#include "korvane-reset/messages.h"
#include "korvane-reset/port_names.h"
#include "korvane-reset/pulse.h"
#include "korvane-reset/system_ports.h"

namespace {

// exitFailure also when the line itself could not be written.
[[noreturn]] void finish(common::Stream stream, const std::vector<std::string>& lines, int status)
{
    common::endProcess(common::writeLines(stream, lines) ? status : common::exitFailure);
}

[[noreturn]] void fail(const std::string& text)
{
    finish(common::Stream::Err, {korvane_reset::errorLine(text)}, common::exitFailure);
}

// A signal caught during the run ends it once the lines are back at rest,
// silently, as the signal would have ended it.
void endIfSignalled()
{
    if (common::caughtEndingSignal() != 0) {
        common::endBySignal(common::caughtEndingSignal());
    }
}

korvane_reset::PulseReport pulseDevice(const std::string& path, korvane_reset::DeviceUse use, const korvane_reset::CommandLine& commandLine)
{
    int descriptor = -1;
    const int error = korvane_reset::openPort(path, descriptor);
    if (error != 0) {
        fail(korvane_reset::openFailureText(error, path, korvane_reset::deviceOwner(path)));
    }
    korvane_reset::PulseReport report{};
    if (use == korvane_reset::DeviceUse::Parallel) {
        korvane_reset::ParallelIoctls driver(descriptor);
        report = korvane_reset::pulseParallel(driver, commandLine.inverted, commandLine.pulseWidth);
    } else {
        korvane_reset::SerialIoctls driver(descriptor);
        const auto reset = [&driver, &commandLine] {
            return commandLine.sequence.empty()
                       ? korvane_reset::pulseSerial(driver, commandLine.lines, commandLine.inverted, commandLine.pulseWidth)
                       : korvane_reset::runSequence(driver, commandLine.sequence);
        };
        if (!commandLine.expect) {
            report = reset();
        } else {
            // The board's text as it comes, ended by a line feed.
            char last = '\n';
            const auto show = [&last](const std::string& text) {
                if (!text.empty() && common::writeAll(common::Stream::Out, text) == 0) {
                    last = text.back();
                }
            };
            report = korvane_reset::expectAnswer(driver, commandLine.answer, reset, show);
            if (last != '\n') {
                common::writeAll(common::Stream::Out, "\n");
            }
        }
    }
    // HUPCL is off, so closing leaves DTR and RTS on.
    close(descriptor);
    return report;
}

}  // namespace

int main(int argc, char* argv[])
{
    const korvane_reset::CommandLine commandLine = korvane_reset::readCommandLine(argc, argv);
    switch (commandLine.request) {
    case korvane_reset::Request::Help:
        finish(common::Stream::Out, korvane_reset::helpLines(), common::exitSuccess);
    case korvane_reset::Request::Version:
        finish(common::Stream::Out, korvane_reset::versionLines(), common::exitSuccess);
    case korvane_reset::Request::Fail:
        fail(commandLine.errorText);
    case korvane_reset::Request::List: {
        const std::vector<korvane_reset::PortListing> listings = korvane_reset::listedPorts();
        if (commandLine.json) {
            finish(common::Stream::Out, {korvane_reset::listJson(listings)}, common::exitSuccess);
        }
        std::vector<std::string> lines;
        for (const korvane_reset::PortListing& listing : listings) {
            lines.push_back(korvane_reset::listLine(listing));
        }
        finish(common::Stream::Out, lines.empty() ? std::vector<std::string>{"no serial or parallel ports found"} : lines,
               common::exitSuccess);
    }
    case korvane_reset::Request::Run:
        break;
    }

    // From here on Ctrl-C, SIGTERM and SIGHUP wait for the lines to be back.
    common::watchEndingSignals();
    const korvane_reset::PortTarget target = korvane_reset::resolvePortName(commandLine.port);
    if (target.onlyWait && commandLine.expect) {
        fail("--expect needs a serial port: null only waits");
    }
    if (target.onlyWait) {
        common::waitMilliseconds(commandLine.sequence.empty() ? commandLine.pulseWidth
                                                      : korvane_reset::sequenceMilliseconds(commandLine.sequence));
        endIfSignalled();
        return common::exitSuccess;
    }
    const korvane_reset::DeviceUse use = korvane_reset::judgeDevice(korvane_reset::deviceFacts(target.path));
    if (use == korvane_reset::DeviceUse::Missing) {
        fail(korvane_reset::noSuchPortText(target.path));
    }
    if (use == korvane_reset::DeviceUse::NotAPort) {
        fail(korvane_reset::notModemPortText(target.path));
    }
    if (use == korvane_reset::DeviceUse::Parallel && !commandLine.sequence.empty()) {
        fail("--sequence needs a serial port: " + target.path);
    }
    if (use == korvane_reset::DeviceUse::Parallel && commandLine.expect) {
        fail("--expect needs a serial port: " + target.path);
    }
    const korvane_reset::PulseReport report = pulseDevice(target.path, use, commandLine);
    endIfSignalled();
    if (report.outcome == korvane_reset::PulseOutcome::NoAnswer) {
        const korvane_reset::ExpectRequest& answer = commandLine.answer;
        finish(common::Stream::Err, {korvane_reset::errorLine(korvane_reset::noAnswerText(commandLine.timeoutText, answer.baud, answer.tries))},
               common::exitNoAnswer);
    }
    if (report.outcome == korvane_reset::PulseOutcome::RateRefused) {
        fail(korvane_reset::rateRefusedText(target.path, commandLine.answer.baud, static_cast<uint32_t>(report.detail)));
    }
    if (report.outcome != korvane_reset::PulseOutcome::Done) {
        fail(korvane_reset::pulseFailureText(report, target.path));
    }
    return common::exitSuccess;
}
