// The reset pulse through a port's driver: on the modem lines of a serial
// port, or on the data lines of a parallel port through ppdev. The sequences
// and every decision live here; the driver calls come through the
// ModemLineDriver and ParallelDriver interfaces, so that the program drives
// them with ioctls and the tests with a script.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "common/millisecond_wait.h"
#include "reset/modem_lines.h"
#include "reset/sequence.h"

namespace korvane_reset {

// Which lines go off for the pulse; after it DTR and RTS are both on.
enum class PulseLines { Dtr, Rts, Both };
int linesOf(PulseLines lines);

// DTR and RTS as the run leaves them: both on; inverted, the pulse lines
// off; for a sequence (when not empty), as its steps leave them. A driver
// that sets the lines itself when the port opens (Windows') is put there at
// once, so that the board sees no edge before the reset's own.
int linesAtRest(PulseLines lines, bool inverted, const std::vector<reset::SequenceStep>& sequence);

// The parallel port's data lines during and after the pulse.
constexpr uint8_t parallelPulsePattern = 0x55;
constexpr uint8_t parallelRestPattern = 0xAA;

// A serial port's modem lines, for the pulse and the sequences. Every call
// gives 0 or an errno.
class ModemLineDriver {
public:
    virtual ~ModemLineDriver() = default;
    virtual int readModemLines(int& lines) = 0;    // TIOCMGET
    virtual int readHangupOnClose(bool& on) = 0;   // HUPCL of the port's settings
    virtual int clearHangupOnClose() = 0;          // the settings again, without HUPCL
    virtual int switchOff(int lines) = 0;          // TIOCMBIC
    virtual int switchOn(int lines) = 0;           // TIOCMBIS
    virtual int setModemLines(int lines) = 0;      // TIOCMSET: every line at once
    // The signal that asked the program to end so far, or 0 (see
    // millisecond_wait.h); looked at once more just before the pulse.
    virtual int endingSignal() = 0;
    virtual common::WaitResult wait(uint16_t milliseconds) = 0;
};

class ParallelDriver {
public:
    virtual ~ParallelDriver() = default;
    virtual int claim() = 0;                    // PPCLAIM, EBUSY when another driver keeps it
    virtual int setDataForward() = 0;           // PPDATADIR
    virtual int writeData(uint8_t value) = 0;   // PPWDATA
    virtual int readData(uint8_t& value) = 0;   // PPRDATA
    virtual int release() = 0;                  // PPRELEASE
    virtual int endingSignal() = 0;
    virtual common::WaitResult wait(uint16_t milliseconds) = 0;
};

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
// and RTS stay on after the port is closed, switches the pulse lines off,
// waits, switches DTR and RTS on and reads them back. Whatever ends the
// wait, the lines are back at rest before the report. Inverted, for a reset
// circuit that inverts the line, the pulse lines go on for the pulse and off
// after it, and off is their rest. `released`, where given, is called at the
// release, right after the last line change (--expect discards there what
// the board sent before); its errno ends the pulse as a failure.
PulseReport pulseSerial(ModemLineDriver& driver, PulseLines lines, bool inverted, uint16_t milliseconds,
                        const std::function<int()>& released = {});

// Claims the port, sets the data lines to output, drives 0x55 for the pulse
// width and 0xAA after it, and releases the port. Passes when the data
// register read the pulse's pattern at the end of the pulse and then the
// rest's (the second read only after the first matched). Inverted, the two
// patterns swap.
PulseReport pulseParallel(ParallelDriver& driver, bool inverted, uint16_t milliseconds);

// Runs the steps of a reset sequence (reset/sequence.h) on a serial port, checked
// as pulseSerial checks a pulse: the port must have modem lines, HUPCL goes
// off, and DTR and RTS read back as the last steps left them. A signal
// during a wait, or a port that fails during it, first puts the lines in the
// state that the sequence ends in. A sequence describes its own wiring, and
// may release the board before its last step (a boot-mode line set after the
// reset line): `released` is called after its first step.
PulseReport runSequence(ModemLineDriver& driver, const std::vector<reset::SequenceStep>& steps,
                        const std::function<int()>& released = {});

}  // namespace korvane_reset
