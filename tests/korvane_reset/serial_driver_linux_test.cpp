// The Linux serial driver's wait for the board's answer, on a pseudo
// terminal, and an ending signal that comes just before it.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <pty.h>
#include <string>
#include <unistd.h>

#include "common/millisecond_wait.h"
#include "korvane-reset/serial_driver_linux.h"

namespace korvane_reset {
namespace {

using Clock = std::chrono::steady_clock;

// The signal is pending when the wait begins, as one that comes between the
// wait's look for a caught signal and its sleep: the wait ends at once, not
// when its time is up.
TEST(SerialDriverLinux, ASignalJustBeforeTheWaitEndsIt)
{
    int master = -1;
    int slave = -1;
    ASSERT_EQ(openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
    SerialIoctls driver(slave);
    common::watchEndingSignals();
    sigset_t terminate{};
    sigemptyset(&terminate);
    sigaddset(&terminate, SIGTERM);
    sigset_t before{};
    ASSERT_EQ(sigprocmask(SIG_BLOCK, &terminate, &before), 0);
    ASSERT_EQ(raise(SIGTERM), 0);
    EXPECT_EQ(common::caughtEndingSignal(), 0);

    std::string bytes;
    const auto start = Clock::now();
    const common::WaitResult result = driver.readInput(bytes, 5000);
    const auto took = Clock::now() - start;
    sigprocmask(SIG_SETMASK, &before, nullptr);
    EXPECT_EQ(result.end, common::WaitEnd::EndingSignal);
    EXPECT_EQ(result.detail, SIGTERM);
    EXPECT_LT(took, std::chrono::milliseconds(100));
    close(master);
    close(slave);
}

}  // namespace
}  // namespace korvane_reset
