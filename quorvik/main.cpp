// quorvik: resets the target board with a pulse on a serial or parallel port
// of the PC, or only waits on the pseudo port null. main only sequences the
// steps and prints; the texts and decisions are in the core.
#include <string>
#include <vector>

#include "common/exit_status.h"
#include "common/line_output.h"
#include "common/millisecond_wait.h"
#include "quorvik/command_line.h"
#include "quorvik/machine_ports.h"
#include "quorvik/messages.h"
#include "quorvik/port_pulse.h"
#include "quorvik/port_resolution.h"
#include "reset/port_table.h"

namespace {

// A screen or line that cannot be written changes nothing: the run ends with
// exitFailure either way.
int showUsage()
{
    common::writeLines(common::Stream::Out, quorvik::usageLines());
    return common::exitFailure;
}

int fatalError(const std::string& text)
{
    common::writeLine(common::Stream::Err, quorvik::errorLine(text));
    return common::exitFailure;
}

// A signal caught during the pulse or the wait ends the run once the lines
// are back at rest, silently, as the signal would have ended it.
void endIfSignalled()
{
    if (common::caughtEndingSignal() != 0) {
        common::endBySignal(common::caughtEndingSignal());
    }
}

}  // namespace

int main(int argc, char* argv[])
{
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i) {
        arguments.push_back(argv[i]);
    }
    const quorvik::ArgumentOutcome outcome = quorvik::readArguments(arguments);
    if (outcome.request == quorvik::Request::ShowUsage) {
        return showUsage();
    }
    if (outcome.request == quorvik::Request::Fail) {
        return fatalError(outcome.errorText);
    }
    const int portIndex = outcome.portIndex;
    const reset::PortKind kind = reset::portTable[portIndex].kind;

    // From here on Ctrl-C, SIGTERM and SIGHUP wait for the lines to be back.
    common::watchEndingSignals();
    if (kind == reset::PortKind::Null) {
        common::waitMilliseconds(outcome.pulseWidth);
        endIfSignalled();
        return common::exitSuccess;
    }

    quorvik::PortHardware* const machine = quorvik::machinePorts();
    if (machine == nullptr) {
        return fatalError(quorvik::noIoPortsText(portIndex));
    }
    const quorvik::PortResolution port = quorvik::resolvePort(portIndex);
    if (port.outcome != quorvik::ResolutionOutcome::Found) {
        return fatalError(quorvik::resolutionErrorText(port.outcome, portIndex));
    }
    // The permission comes before any register is touched.
    if (!quorvik::setPortAccess(*machine, port.baseAddress, true)) {
        return fatalError(quorvik::noPrivilegeText);
    }
    const bool passed = kind == reset::PortKind::Parallel ? quorvik::pulseParallel(*machine, port.baseAddress, outcome.pulseWidth)
                                                   : quorvik::pulseSerial(*machine, port.baseAddress, outcome.pulseWidth);
    endIfSignalled();
    if (!passed) {
        return fatalError(quorvik::hardwareFailureText(portIndex));
    }
    if (!quorvik::setPortAccess(*machine, port.baseAddress, false)) {
        return fatalError(quorvik::noPrivilegeText);
    }
    return common::exitSuccess;
}
