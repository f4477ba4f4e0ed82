// quorvik: resets the target board with a pulse on a serial or parallel port
// of the PC, or only waits on the pseudo port null. The run order, every
// line it prints and its exit statuses live here.
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

#include "command_line.h"
#include "console.h"
#include "machine_ports.h"
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

    if (port.kind == PortKind::Parallel) {
        if (!pulseParallel(*machine, port.baseAddress, pulseWidth)) {
            fatalError(hardwareFailureText(portIndex));
        }
    } else if (port.kind == PortKind::Serial) {
        if (!pulseSerial(*machine, port.baseAddress, pulseWidth)) {
            fatalError(hardwareFailureText(portIndex));
        }
    } else {
        waitMilliseconds(pulseWidth);
    }

    if (drivesHardware(port.kind) && !setPortAccess(*machine, port.baseAddress, false)) {
        fatalError(noPrivilegeText);
    }
    return exitSuccess;
}
