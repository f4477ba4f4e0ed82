// The PC's legacy ports by name: one constant row for each name, with the
// port's kind and its default I/O base address. quorvik drives them through
// their registers; korvane-reset takes the same names for their devices.
#pragma once

#include <cstdint>
#include <string>

namespace reset {

enum class PortKind : int32_t {
    Parallel = 0,
    Serial = 1,
    Null = 2,  // no port: the run only waits
};

struct PortEntry {
    const char* name;      // device name without "/dev/", at most 5 characters
    PortKind kind;
    uint16_t defaultBase;  // I/O base address
};

constexpr int portCount = 12;
extern const PortEntry portTable[portCount];

// The row whose name equals the argument, case sensitive, after one leading
// "/dev/" has been taken off; -1 when there is none.
int findPort(const std::string& argument);

}  // namespace reset
