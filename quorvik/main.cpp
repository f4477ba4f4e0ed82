// quorvik: resets the target board with a pulse on a serial or parallel port
// of the PC, or only waits on the pseudo port null. The run order, every
// line it prints and its exit statuses live here.
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

#include "command_line.h"
#include "line_output.h"
#include "machine_ports.h"
#include "millisecond_wait.h"
#include "port_pulse.h"
#include "port_resolution.h"

namespace {

constexpr int exitSuccess = 0;
constexpr int exitUsageOrError = 1;  // also when the line itself could not be written

[[noreturn]] void showUsage()
{
    for (const std::string& line : usageLines()) {
        if (!writeLine(STDOUT_FILENO, line)) {
            break;
        }
    }
    std::exit(exitUsageOrError);
}

[[noreturn]] void fatalError(const std::string& text)
{
    writeLine(STDERR_FILENO, errorLine(text));
    std::exit(exitUsageOrError);
}

bool drivesHardware(PortKind kind)
{
    return kind == PortKind::Parallel || kind == PortKind::Serial;
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
        showUsage();
    }
    if (outcome.request == Request::Fail) {
        fatalError(outcome.errorText);
    }
    const int portIndex = outcome.portIndex;
    const uint16_t pulseWidth = outcome.pulseWidth;

    PortHardware* const machine = machinePorts();
    if (machine == nullptr && portTable[portIndex].kind != PortKind::Null) {
        fatalError(noIoPortsText(portIndex));
    }
    const PortResolution port = resolvePort(portIndex);

    // The permission comes before any register is touched.
    if (drivesHardware(port.kind)) {
        if (!setPortAccess(*machine, port.baseAddress, true)) {
            fatalError(noPrivilegeText);
        }
    } else if (port.kind != PortKind::Null) {
        fatalError(resolutionErrorText(port.kind, portIndex));
    }

    // From here on Ctrl-C, SIGTERM and SIGHUP wait for the lines to be back.
    watchEndingSignals();
    if (port.kind == PortKind::Parallel) {
        const bool passed = pulseParallel(*machine, port.baseAddress, pulseWidth);
        endIfSignalled();
        if (!passed) {
            fatalError(hardwareFailureText(portIndex));
        }
    } else if (port.kind == PortKind::Serial) {
        const bool passed = pulseSerial(*machine, port.baseAddress, pulseWidth);
        endIfSignalled();
        if (!passed) {
            fatalError(hardwareFailureText(portIndex));
        }
    } else {
        waitMilliseconds(pulseWidth);
        endIfSignalled();
    }

    if (drivesHardware(port.kind) && !setPortAccess(*machine, port.baseAddress, false)) {
        fatalError(noPrivilegeText);
    }
    return exitSuccess;
}
