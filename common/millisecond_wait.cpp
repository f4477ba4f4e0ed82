#include "common/millisecond_wait.h"

#include "common/sleep_until.h"

namespace common {

namespace {

constexpr int64_t nanosecondsPerMillisecond = 1'000'000;

// The next moment to wake up at: the deadline itself, or the latest check
// point before it that still lies ahead. Check points sit whole intervals
// before the deadline, so the last one is a full interval away from it.
int64_t nextWakeUp(int64_t now, int64_t deadline)
{
    const int64_t intervalsLeft = (deadline - now - 1) / waitCheckIntervalNanoseconds;
    return deadline - intervalsLeft * waitCheckIntervalNanoseconds;
}

}  // namespace

WaitResult waitMilliseconds(uint32_t milliseconds, const std::function<int()>& check)
{
    const int64_t deadline = monotonicNanoseconds() + static_cast<int64_t>(milliseconds) * nanosecondsPerMillisecond;
    for (;;) {
        if (caughtEndingSignal() != 0) {
            return WaitResult{WaitEnd::EndingSignal, caughtEndingSignal()};
        }
        const int64_t now = monotonicNanoseconds();
        if (now >= deadline) {
            return WaitResult{WaitEnd::Elapsed, 0};
        }
        const int64_t wakeUp = nextWakeUp(now, deadline);
        if (!sleepUntil(wakeUp)) {
            continue;  // woken early, by a signal: look at what it was, then sleep on
        }
        if (wakeUp < deadline && check) {
            const int error = check();
            if (error != 0) {
                return WaitResult{WaitEnd::CheckFailed, error};
            }
        }
    }
}

}  // namespace common
