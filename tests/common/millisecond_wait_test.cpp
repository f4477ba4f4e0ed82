// The millisecond wait that times a reset pulse: its check of the port.
#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>

#include "common/millisecond_wait.h"

namespace common {

namespace {

TEST(Wait, ChecksThePortBeforeTheDeadlineAndStopsWhenItIsGone)
{
    using Clock = std::chrono::steady_clock;
    // Check points lie whole intervals before the deadline: 250 ms has two.
    int checks = 0;
    auto start = Clock::now();
    WaitResult result = waitMilliseconds(250, [&checks] {
        ++checks;
        return 0;
    });
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(250));
    EXPECT_EQ(result.end, WaitEnd::Elapsed);
    EXPECT_EQ(checks, 2);

    // A port that is gone ends a long wait at the first check point.
    start = Clock::now();
    result = waitMilliseconds(20000, [] { return ENODEV; });
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(5));
    EXPECT_EQ(result.end, WaitEnd::CheckFailed);
    EXPECT_EQ(result.detail, ENODEV);
}

}  // namespace

}  // namespace common
