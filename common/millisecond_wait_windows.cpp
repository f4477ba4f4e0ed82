#include "common/millisecond_wait.h"
#include "common/sleep_until.h"

#include <atomic>
#include <csignal>
#include <windows.h>

namespace common {

namespace {

// Not in every version of the headers; Windows knows it since 10 (1803).
#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
#define CREATE_WAITABLE_TIMER_HIGH_RESOLUTION 0x00000002
#endif

// How Windows ends a console program on Ctrl-C, and so how this one ends
// after putting the lines back.
constexpr UINT controlCExitStatus = 0xC000013A;
constexpr int64_t nanosecondsPerMillisecond = 1'000'000;
constexpr int64_t nanosecondsPerSecond = 1'000'000'000;
constexpr int64_t nanosecondsPerTimerUnit = 100;

std::atomic<int> caughtSignal{0};
// Set by the console's handler so that a wait ends at once.
HANDLE signalEvent = nullptr;

// The console's events as the signals that they stand for on POSIX
// systems; every ending event counts as the program's SIGINT, SIGBREAK or
// SIGTERM.
int signalOfEvent(DWORD event)
{
    switch (event) {
    case CTRL_C_EVENT:
        return SIGINT;
    case CTRL_BREAK_EVENT:
        return SIGBREAK;
    default:
        return SIGTERM;  // the console closed, the user logged off, shutdown
    }
}

// Runs on a thread of its own. Ctrl-C and Ctrl-Break are taken over: the
// program ends itself once the lines are back. After a close, logoff or
// shutdown event Windows ends the program when the handler returns, so the
// handler waits instead, until endBySignal ends the process (Windows allows
// it a few seconds for that).
BOOL WINAPI recordConsoleEvent(DWORD event)
{
    int expected = 0;
    caughtSignal.compare_exchange_strong(expected, signalOfEvent(event));
    SetEvent(signalEvent);
    if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT) {
        return TRUE;
    }
    Sleep(INFINITE);
    return TRUE;
}

// A waitable timer at the resolution of the clock where Windows has one,
// instead of the scheduler's ticks of 15.6 ms; else an ordinary one. The
// deadline is kept by the loop in either case, so the wait is never short.
HANDLE waitTimer()
{
    static HANDLE timer = [] {
        HANDLE made = CreateWaitableTimerExW(nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION,
                                             TIMER_ALL_ACCESS);
        return made != nullptr ? made : CreateWaitableTimerExW(nullptr, nullptr, 0, TIMER_ALL_ACCESS);
    }();
    return timer;
}

}  // namespace

int64_t monotonicNanoseconds()
{
    static const int64_t frequency = [] {
        LARGE_INTEGER value{};
        QueryPerformanceFrequency(&value);
        return static_cast<int64_t>(value.QuadPart);
    }();
    LARGE_INTEGER counter{};
    QueryPerformanceCounter(&counter);
    const int64_t ticks = counter.QuadPart;
    // In two parts: ticks times 10^9 would overflow within minutes.
    return ticks / frequency * nanosecondsPerSecond + ticks % frequency * nanosecondsPerSecond / frequency;
}

bool sleepUntil(int64_t wakeUp)
{
    const int64_t left = wakeUp - monotonicNanoseconds();
    if (left <= 0) {
        return true;
    }
    LARGE_INTEGER due{};
    // Negative: relative to now, in units of 100 ns, rounded up.
    due.QuadPart = -((left + nanosecondsPerTimerUnit - 1) / nanosecondsPerTimerUnit);
    const HANDLE timer = waitTimer();
    if (timer == nullptr || !SetWaitableTimer(timer, &due, 0, nullptr, nullptr, FALSE)) {
        Sleep(static_cast<DWORD>(left / nanosecondsPerMillisecond) + 1);
    } else {
        const HANDLE handles[] = {timer, signalEvent};
        const DWORD count = signalEvent != nullptr ? 2 : 1;
        if (WaitForMultipleObjects(count, handles, FALSE, INFINITE) != WAIT_OBJECT_0) {
            return false;  // an ending event
        }
    }
    // The timer's clock is not the performance counter's: it has come only
    // when that says so.
    return monotonicNanoseconds() >= wakeUp;
}

void watchEndingSignals()
{
    signalEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    SetConsoleCtrlHandler(recordConsoleEvent, TRUE);
}

int caughtEndingSignal()
{
    return caughtSignal;
}

void endBySignal(int /*signal*/)
{
    ExitProcess(controlCExitStatus);
}

}  // namespace common
