#include "common/millisecond_wait.h"
#include "common/sleep_until.h"

#include <cerrno>
#include <csignal>
#include <sys/prctl.h>
#include <time.h>
#include <unistd.h>

namespace common {

namespace {

constexpr int64_t nanosecondsPerSecond = 1'000'000'000;
constexpr int endingSignals[] = {SIGINT, SIGTERM, SIGHUP};

volatile std::sig_atomic_t caughtSignal = 0;

void recordEndingSignal(int signal)
{
    if (caughtSignal == 0) {
        caughtSignal = signal;
    }
}

}  // namespace

int64_t monotonicNanoseconds()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<int64_t>(now.tv_sec) * nanosecondsPerSecond + now.tv_nsec;
}

bool sleepUntil(int64_t wakeUp)
{
    // The default slack of 50 us would let every wake-up come that much late.
    static const bool slackSet = prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL) == 0;
    static_cast<void>(slackSet);
    const timespec until{static_cast<time_t>(wakeUp / nanosecondsPerSecond),
                         static_cast<long>(wakeUp % nanosecondsPerSecond)};
    return clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, nullptr) == 0;
}

void watchEndingSignals()
{
    struct sigaction action {};
    action.sa_handler = recordEndingSignal;
    sigemptyset(&action.sa_mask);
    for (int signal : endingSignals) {
        sigaddset(&action.sa_mask, signal);
    }
    // No SA_RESTART: the sleep must come back to look at the signal.
    action.sa_flags = 0;
    for (int signal : endingSignals) {
        struct sigaction previous {};
        if (sigaction(signal, nullptr, &previous) == 0 && previous.sa_handler != SIG_IGN) {
            sigaction(signal, &action, nullptr);
        }
    }
}

int caughtEndingSignal()
{
    return caughtSignal;
}

void endBySignal(int signal)
{
    std::signal(signal, SIG_DFL);
    sigset_t only{};
    sigemptyset(&only);
    sigaddset(&only, signal);
    sigprocmask(SIG_UNBLOCK, &only, nullptr);
    std::raise(signal);
    // Only reached if the signal could not end the program.
    _exit(128 + signal);
}

}  // namespace common
