// The wait that times a reset pulse, and the signals that may end a program
// during it. A pulse must never be shorter than asked and should be no
// longer than the machine makes it; a program ended in the middle of one
// must first put the lines back, or the board stays held in reset.
#pragma once

#include <cstdint>
#include <functional>

namespace common {

enum class WaitEnd {
    Elapsed,       // the whole time has passed
    EndingSignal,  // SIGINT, SIGTERM or SIGHUP arrived (see watchEndingSignals)
    CheckFailed,   // the caller's check reported an error
};

struct WaitResult {
    WaitEnd end;
    int detail;  // the signal number, or the check's errno; 0 when Elapsed
};

// How often a long wait wakes up to call its check and to look for an ending
// signal that came in just before it went to sleep.
constexpr int64_t waitCheckIntervalNanoseconds = 100'000'000;

// The monotonic clock that the waits are measured on, in nanoseconds from
// an arbitrary start.
int64_t monotonicNanoseconds();

// Waits `milliseconds` from the call on, never less: to an absolute
// deadline on the monotonic clock, asleep again after anything that wakes it
// early and does not end the program. On Linux clock_nanosleep with the
// process's timer slack at its minimum, so that the kernel does not round
// the wake-up later; on Windows a high-resolution waitable timer against
// QueryPerformanceCounter, not Sleep's ticks of 15.6 ms. `check`, when given,
// is called once per interval, the last time one interval before the
// deadline, so that it never delays the end; an error from it ends the wait.
WaitResult waitMilliseconds(uint32_t milliseconds, const std::function<int()>& check = {});

// From now on SIGINT, SIGTERM and SIGHUP (on Windows Ctrl-C, Ctrl-Break and
// the console's closing) are caught and recorded instead of ending the
// program at once: a wait that is running ends with EndingSignal and the
// caller restores the port before it calls endBySignal. A signal that the
// program was started with ignored stays ignored.
void watchEndingSignals();

// The first ending signal caught since watchEndingSignals, or 0.
int caughtEndingSignal();

// Ends the program the way `signal` would have ended it: the default action,
// re-raised, so that the parent sees the signal and not an exit status; on
// Windows with the status of a program ended by Ctrl-C.
[[noreturn]] void endBySignal(int signal);

}  // namespace common
