// A serial reset's steps run over the port's seam (port.h), checked and
// restored on every path, and the parallel port's pulse. Every decision is
// here; the driver calls come through the seam, so that the program drives
// them with ioctls or the Win32 API and the tests with a script.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "reset/plan.h"
#include "reset/port.h"

namespace reset {

// The parallel port's data lines during and after the pulse.
constexpr uint8_t parallelPulsePattern = 0x55;
constexpr uint8_t parallelRestPattern = 0xAA;

enum class PulseOutcome {
    Done,
    NotModemPort,    // the file has no modem lines: a pseudo terminal, a plain file
    NoDevice,        // the first call found no device behind the file: a legacy
                     // ttyS without a UART, an adapter unplugged before the run
    NotParallelPort, // the file does not take the parallel port's calls
    Busy,            // another driver holds the parallel port
    Disappeared,     // the device went away (EIO, ENODEV, ENXIO): an adapter unplugged
    ReadBackFailed,  // the lines did not read back as written
    Interrupted,     // an ending signal; the lines are back at rest unless it came before the pulse
    NoAnswer,        // --expect: the board's text did not come in time
    RateRefused,     // --expect: the driver kept another rate than the one asked
    AnswerNotShown,  // --expect: standard output did not take the board's text
    Failed,          // any other errno of a driver call
};

struct PulseReport {
    PulseOutcome outcome;
    int detail;        // the errno; for Interrupted the signal number, for
                       // RateRefused the rate the driver kept
    const char* step;  // for Failed: what the program was doing
    // A serial reset got as far as HUPCL off (cleared, or found off): from
    // then on the port must be closed without it, or the board is held in
    // reset. False where it failed before.
    bool hangupCleared = false;
};

// EIO, ENODEV or ENXIO: no device behind the file, whether it went away
// (an adapter unplugged) or was never there (a legacy ttyS without a UART).
bool deviceGone(int error);

// A failed driver call: Disappeared when the device went away, else Failed
// with the step.
PulseReport driverFailure(int error, const char* step);
// The first call on a port, which tells what the file behind it is:
// `notThisKind` for ENOTTY or EINVAL, NoDevice when nothing is behind it.
PulseReport firstCallFailure(int error, PulseOutcome notThisKind, const char* step);

// Checks that the port has modem lines and that no ending signal came
// before (Interrupted then, with nothing changed), clears HUPCL so that DTR
// and RTS stay as the reset leaves them after the port is closed, runs the
// steps and reads the checked lines back against the state that the steps
// end in. A signal during a wait, or a port that fails during it, first
// puts the lines back (plan.restore). `released`, where given, is called at
// the end of the step plan.releaseAfter (--expect discards there what the
// board sent before); its errno ends the reset as a failure.
PulseReport runSerial(ModemLineDriver& driver, const SerialPlan& plan, const std::function<int()>& released = {});

// Claims the port, sets the data lines to output, drives 0x55 for the pulse
// width and 0xAA after it, and releases the port. Passes when the data
// register read the pulse's pattern at the end of the pulse and then the
// rest's (the second read only after the first matched). Inverted, the two
// patterns swap.
PulseReport pulseParallel(ParallelDriver& driver, bool inverted, uint16_t milliseconds);

}  // namespace reset
