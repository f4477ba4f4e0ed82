// The I/O base address of a port: serial ports and null keep the table's
// address, parallel ports take theirs from the kernel's information files
// when the kernel has them.
#pragma once

#include <cstdint>
#include <string>

#include "quorvik/kernel_information.h"
#include "reset/port_table.h"

namespace quorvik {

// How the resolution of a port ended: the port's address was found, or why
// the port cannot be used.
enum class ResolutionOutcome {
    Found,
    NotFound,      // the kernel has no information on this parallel port
    AccessDenied,  // the parallel port's device file refused access
    InvalidBase,   // the kernel's information holds no readable address
};

struct PortResolution {
    ResolutionOutcome outcome;
    uint16_t baseAddress;  // the row's defaultBase unless the kernel gave another
};

// For the running kernel and the machine's own files.
PortResolution resolvePort(int portIndex);

// For any release text, with every file name taken below `root` ("" for the
// machine's own file system).
PortResolution resolvePortOn(int portIndex, const std::string& release, const std::string& root);

}  // namespace quorvik
