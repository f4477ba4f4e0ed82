// What the kernel tells about its parallel ports: its version from the
// release text, the name of the information file that holds a port's base
// address, and the address in the first line of that file. Pure: the texts
// come in as arguments, nothing here reads a file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace quorvik {

// The release text is at most this long (the size of uname's release field).
constexpr size_t maxReleaseLength = 65;

struct KernelVersion {
    int16_t major;
    int16_t minor;
    int16_t patch;
};

// Major, minor and patch from a release text such as "2.4.20-8"; false
// unless all three are there.
bool kernelVersion(const std::string& release, KernelVersion& version);

// Kernels from 2.2 on describe their parallel ports in /proc.
bool kernelDescribesParallelPorts(const KernelVersion& version);

// The file that holds the base address of parallel port `portNumber` ('0' to
// '2'): the "hardware" file before 2.4, the sysctl "base-addr" file from then on.
std::string informationFileName(char portNumber, const KernelVersion& version);

// The base address in the first line of the information file: after the
// first "0x" in hexadecimal when the line begins with "base:", otherwise the
// decimal number at the start of the line. False when there is none, or when
// it does not fit a 16-bit port number.
bool baseAddressFromLine(const std::string& line, uint16_t& baseAddress);

}  // namespace quorvik
