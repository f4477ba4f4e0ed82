#include "common/millisecond_wait.h"
#include "common/descriptor_linux.h"
#include "common/sleep_until.h"

#include <cerrno>
#include <csignal>
#include <poll.h>
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

InputWait waitForInput(int descriptor, uint32_t milliseconds)
{
    sigset_t ending{};
    sigemptyset(&ending);
    for (int signal : endingSignals) {
        sigaddset(&ending, signal);
    }
    sigset_t before{};
    sigprocmask(SIG_BLOCK, &ending, &before);
    InputWait result = InputWait::EndingSignal;
    if (caughtSignal == 0) {
        // The mask as it was, with the ending signals let through.
        sigset_t during = before;
        for (int signal : endingSignals) {
            sigdelset(&during, signal);
        }
        pollfd wanted{descriptor, POLLIN, 0};
        const timespec timeout{static_cast<time_t>(milliseconds / 1000), static_cast<long>(milliseconds % 1000) * 1'000'000};
        const int ready = ppoll(&wanted, 1, &timeout, &during);
        if (caughtSignal != 0) {
            result = InputWait::EndingSignal;
        } else if (ready == 0 || (ready < 0 && errno == EINTR)) {
            // Time up, or another signal's interruption: the caller's deadline decides.
            result = InputWait::Elapsed;
        } else {
            // Input, or a descriptor in error, which the read then reports.
            result = InputWait::Ready;
        }
    }
    sigprocmask(SIG_SETMASK, &before, nullptr);
    return result;
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
