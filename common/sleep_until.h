// For the platform's implementation of millisecond_wait.h only: the sleep
// that the wait is made of (millisecond_wait_linux.cpp,
// millisecond_wait_windows.cpp).
#pragma once

#include <cstdint>

namespace common {

// Sleeps until `wakeUp` on monotonicNanoseconds' clock, or until an ending
// signal comes in; true when the time has come, false when woken before.
bool sleepUntil(int64_t wakeUp);

}  // namespace common
