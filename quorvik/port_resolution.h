// Which kind of port a run goes on with, and at which I/O base address:
// serial ports and null keep the table's address, parallel ports take theirs
// from the kernel's information files when the kernel has them.
#pragma once

#include <cstdint>
#include <string>

#include "command_line.h"
#include "kernel_information.h"

struct PortResolution {
    PortKind kind;         // the row's kind, or NotFound, AccessDenied, InvalidBase
    uint16_t baseAddress;  // the row's defaultBase unless the kernel gave another
};

// For the running kernel and the machine's own files.
PortResolution resolvePort(int portIndex);

// For any release text, with every file name taken below `root` ("" for the
// machine's own file system).
PortResolution resolvePortOn(int portIndex, const std::string& release, const std::string& root);
