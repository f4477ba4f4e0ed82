// quorvik: resets the target board with a pulse on a serial or parallel port
// of the PC, or only waits on the pseudo port null. main only sequences the
// steps and prints; the texts and decisions are in the core.
#include <string>
#include <unistd.h>
#include <vector>

#include "command_line.h"
#include "exit_status.h"
#include "line_output.h"
#include "machine_ports.h"
#include "messages.h"
#include "millisecond_wait.h"
#include "port_pulse.h"
#include "port_resolution.h"
#include "port_table.h"

namespace {

// A screen or line that cannot be written changes nothing: the run ends with
// exitFailure either way.
int showUsage()
{
    writeLines(STDOUT_FILENO, usageLines());
    return exitFailure;
}

int fatalError(const std::string& text)
{
    writeLine(STDERR_FILENO, errorLine(text));
    return exitFailure;
}

// A signal caught during the pulse or the wait ends the run once the lines
// are back at rest, silently, as the signal would have ended it.
void endIfSignalled()
{
    if (caughtEndingSignal() != 0) {
        endBySignal(caughtEndingSignal());
    }
}

}  // namespace

int main(int argc, char* argv[])
{
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i) {
        arguments.push_back(argv[i]);
    }
    const ArgumentOutcome outcome = readArguments(arguments);
    if (outcome.request == Request::ShowUsage) {
        return showUsage();
    }
    if (outcome.request == Request::Fail) {
        return fatalError(outcome.errorText);
    }
    const int portIndex = outcome.portIndex;
    const PortKind kind = portTable[portIndex].kind;

    // From here on Ctrl-C, SIGTERM and SIGHUP wait for the lines to be back.
    watchEndingSignals();
    if (kind == PortKind::Null) {
        waitMilliseconds(outcome.pulseWidth);
        endIfSignalled();
        return exitSuccess;
    }

    PortHardware* const machine = machinePorts();
    if (machine == nullptr) {
        return fatalError(noIoPortsText(portIndex));
    }
    const PortResolution port = resolvePort(portIndex);
    if (port.outcome != ResolutionOutcome::Found) {
        return fatalError(resolutionErrorText(port.outcome, portIndex));
    }
    // The permission comes before any register is touched.
    if (!setPortAccess(*machine, port.baseAddress, true)) {
        return fatalError(noPrivilegeText);
    }
    const bool passed = kind == PortKind::Parallel ? pulseParallel(*machine, port.baseAddress, outcome.pulseWidth)
                                                   : pulseSerial(*machine, port.baseAddress, outcome.pulseWidth);
    endIfSignalled();
    if (!passed) {
        return fatalError(hardwareFailureText(portIndex));
    }
    if (!setPortAccess(*machine, port.baseAddress, false)) {
        return fatalError(noPrivilegeText);
    }
    return exitSuccess;
}
