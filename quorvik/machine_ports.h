// The machine's own I/O ports: x86 byte input and output instructions and
// the kernel's ioperm and iopl. Only the program links this; the tests drive
// the pulse against simulated registers instead.
#pragma once

#include "port_pulse.h"

PortHardware& machinePorts();
