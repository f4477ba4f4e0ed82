// What a run does, decided before anything is opened: the options weighed
// against what the port turned out to be, and a serial reset as its steps
// on the lines. The pulse is such steps too (--line and --invert choose
// them: the default is D0|W0.05|U1,1), so that one runner drives both,
// here and in the page.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "reset/options.h"
#include "reset/port_names.h"
#include "reset/sequence.h"

namespace reset {

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
ResetPlan planReset(const Options& options, const PortTarget& target, DeviceUse use);

// After a wait that did not run to its end: a pulse runs its last step (the
// lines back at rest); a sequence sets DTR and RTS as its steps end.
enum class Restore { LastStep, EndState };

// A serial reset's steps and how they are checked.
struct SerialPlan {
    std::vector<SequenceStep> steps;
    size_t releaseAfter;  // the step from whose end the board's answer counts: a
                          // pulse's last, a sequence's first (it may release the
                          // board before its boot-mode line is set)
    int checkedLines;     // the lines read back against the steps' end state
    Restore restore;
};

// The pulse: the lines off (on, inverted) for the width, then DTR and RTS on
// (the lines off, inverted); or the sequence as given.
SerialPlan serialPlan(const Options& options);

// DTR and RTS as the run leaves them: both on; inverted, the pulse lines
// off; for a sequence, as its steps leave them. A driver that sets the lines
// itself when the port opens (Windows') is put there at once, so that the
// board sees no edge before the reset's own.
int linesAtRest(const Options& options);

}  // namespace reset
