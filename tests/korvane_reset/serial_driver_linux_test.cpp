// The Linux serial driver's wait for the board's answer, on a pseudo
// terminal: what arrives, the time running out, a hang-up, and an ending
// signal that comes just before the wait.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <pty.h>
#include <string>
#include <termios.h>
#include <unistd.h>

#include "common/millisecond_wait.h"
#include "korvane-reset/serial_driver_linux.h"

namespace korvane_reset {
namespace {

using Clock = std::chrono::steady_clock;

struct PseudoTerminal {
    int master = -1;
    int slave = -1;
    PseudoTerminal() { openpty(&master, &slave, nullptr, nullptr, nullptr); }
    ~PseudoTerminal()
    {
        close(master);
        close(slave);
    }
};

TEST(SerialDriverLinux, ReadsWhatArrivesAndWaitsOutTheRest)
{
    PseudoTerminal terminal;
    ASSERT_GE(terminal.slave, 0);
    SerialIoctls driver(terminal.slave);
    // Raw, the bytes as they come. By termios, not the driver's termios2,
    // which QEMU's user-mode emulation does not know.
    termios raw{};
    ASSERT_EQ(tcgetattr(terminal.slave, &raw), 0);
    cfmakeraw(&raw);
    ASSERT_EQ(tcsetattr(terminal.slave, TCSANOW, &raw), 0);

    ASSERT_EQ(write(terminal.master, "ready\r\n", 7), 7);
    std::string bytes;
    common::WaitResult result = driver.readInput(bytes, 2000);
    EXPECT_EQ(result.end, common::WaitEnd::Elapsed);
    EXPECT_EQ(bytes, "ready\r\n");

    bytes.clear();
    const auto start = Clock::now();
    result = driver.readInput(bytes, 150);
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(150));
    EXPECT_EQ(result.end, common::WaitEnd::Elapsed);
    EXPECT_EQ(bytes, "");

    // The far side gone: the port hangs up, and the read says so.
    close(terminal.master);
    terminal.master = -1;
    result = driver.readInput(bytes, 2000);
    EXPECT_EQ(result.end, common::WaitEnd::CheckFailed);
}

// Last in this file: a caught signal stays caught for the whole process.
// The signal is pending when the wait begins, as one that comes between the
// wait's look for a caught signal and its sleep: the wait ends at once, not
// when its time is up.
TEST(SerialDriverLinux, ASignalJustBeforeTheWaitEndsIt)
{
    PseudoTerminal terminal;
    ASSERT_GE(terminal.slave, 0);
    SerialIoctls driver(terminal.slave);
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
}

}  // namespace
}  // namespace korvane_reset
