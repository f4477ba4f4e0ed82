// The wait for a descriptor's input that korvane-reset's Linux driver reads
// the board's answer with.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <unistd.h>

#include "common/descriptor_linux.h"
#include "common/millisecond_wait.h"

namespace common {

namespace {

// A signal that comes between the wait's look for a caught signal and its
// sleep (here: pending, blocked, when the wait begins) ends the wait at
// once, not when its 5 s are up. In a child process: a caught signal stays
// caught for the process.
TEST(WaitForInput, ASignalJustBeforeTheWaitEndsIt)
{
    EXPECT_EXIT(
        {
            int ends[2];
            if (pipe(ends) != 0) {
                std::_Exit(2);
            }
            watchEndingSignals();
            sigset_t terminate{};
            sigemptyset(&terminate);
            sigaddset(&terminate, SIGTERM);
            sigprocmask(SIG_BLOCK, &terminate, nullptr);
            raise(SIGTERM);
            const bool pendingOnly = caughtEndingSignal() == 0;
            const auto start = std::chrono::steady_clock::now();
            const InputWait result = waitForInput(ends[0], 5000);
            const auto took = std::chrono::steady_clock::now() - start;
            std::_Exit(pendingOnly && result == InputWait::EndingSignal && caughtEndingSignal() == SIGTERM &&
                               took < std::chrono::milliseconds(100)
                           ? 0
                           : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

}  // namespace

}  // namespace common
