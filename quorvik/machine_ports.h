// The machine's own I/O ports: x86 byte input and output instructions and
// the kernel's ioperm and iopl. Only the program links this; the tests drive
// the pulse against simulated registers instead.
#pragma once

#include "quorvik/port_pulse.h"

namespace quorvik {

// Null on processors that have no I/O ports (all but x86): a port's
// registers cannot be reached there at all, whatever the privilege.
PortHardware* machinePorts();

}  // namespace quorvik
