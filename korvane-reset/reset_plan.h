// What a run does with its port, decided before anything is opened: the
// options weighed against what the port turned out to be. main carries the
// plan out; the tests read it.
#pragma once

#include <cstdint>
#include <string>

#include "korvane-reset/command_line.h"
#include "korvane-reset/port_names.h"

namespace korvane_reset {

enum class ResetAction {
    Wait,           // null: only the time of the pulse or of the sequence
    PulseSerial,    // the pulse or the sequence, and --expect, on a serial port
    PulseParallel,  // the pulse on a parallel port
    Fail,           // one error line and exit status 1, nothing opened
};

struct ResetPlan {
    ResetAction action;
    uint32_t milliseconds;  // Wait: how long
    std::string errorText;  // Fail: the error line's text, without the program's name
};

// `use` is what the port's file may be used as (judgeDevice); for null,
// which names no file, it is not looked at.
ResetPlan planReset(const CommandLine& commandLine, const PortTarget& target, DeviceUse use);

}  // namespace korvane_reset
