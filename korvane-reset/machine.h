// What the program needs from the machine, the same on every platform: what
// PORT names, what it may be used as, the port opened with its drivers, who
// may open it, and the ports of --list. Implemented in machine_linux.cpp and
// machine_windows.cpp over the files named for their platform; main.cpp
// includes nothing else of the machine.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "korvane-reset/expect.h"
#include "korvane-reset/messages.h"
#include "korvane-reset/port_list.h"
#include "korvane-reset/port_names.h"
#include "korvane-reset/pulse.h"

namespace korvane_reset {

// PORT by this machine's names of its ports.
PortTarget resolvePort(const std::string& argument);

// What the target may be used as; null, which names nothing, is not asked.
DeviceUse portUse(const PortTarget& target);

// A port opened for one run, with its drivers; closed when it goes.
class OpenPort {
public:
    virtual ~OpenPort() = default;
    virtual ModemLineDriver& modemLines() = 0;
    virtual ReceiveLineDriver& receiveLine() = 0;
    // nullptr where the machine has no parallel port driver.
    virtual ParallelDriver* parallel() = 0;
};

// Opens the port at `path` (PortTarget::path). A driver that sets DTR and
// RTS itself when a port opens has them put at `restLines` (linesAtRest)
// straight after. 0 or the errno of the open.
int openMachinePort(const std::string& path, int restLines, std::unique_ptr<OpenPort>& port);

// Who may open the port, for the advice after a refused open.
DeviceOwner deviceOwner(const std::string& path);

// The ports of --list on this machine.
std::vector<PortListing> listedPorts();

}  // namespace korvane_reset
