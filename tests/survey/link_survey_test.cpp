// What a receiver tolerates of a link's error.
#include <gtest/gtest.h>

#include "survey/link_survey.h"

namespace survey {

namespace {

// The start edge is found within 1/16 of a bit; the last bit of a frame of
// N bits is sampled N - 1/2 bits after it and must stay within half a bit.
TEST(FrameTolerance, SixteenTimesOversamplingMidBit)
{
    EXPECT_DOUBLE_EQ(frameTolerance(10), (0.5 - 1.0 / 16) / 9.5);   // 4.61 %
    EXPECT_DOUBLE_EQ(frameTolerance(11), (0.5 - 1.0 / 16) / 10.5);  // 4.17 %
}

}  // namespace

}  // namespace survey
