// The notation of --sequence: the steps it takes and the step it names when
// it refuses one.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "reset/sequence.h"

namespace reset {
namespace {

TEST(Sequence, StepsAndTheirErrors)
{
    const struct {
        const char* text;
        bool valid;
        const char* badStep;
        std::vector<int> lines;            // per step: the lines set, or -1 for a wait
        std::vector<uint32_t> milliseconds;
    } cases[] = {
        {"D0|W0.05|U1,1", true, "", {0x02, -1, 0x06}, {0, 50, 0}},
        {"R1|D0|W1|R0", true, "", {0x04, 0x02, -1, 0x04}, {0, 0, 1000, 0}},
        {"U0,1|W0.0001", true, "", {0x06, -1}, {0, 1}},    // a wait never shorter: 0.1 ms is 1 ms
        {"W65.535", true, "", {-1}, {65535}},
        {"W.5|W2.", true, "", {-1, -1}, {500, 2000}},
        {"W65.5351", false, "W65.5351", {}, {}},
        {"W70000", false, "W70000", {}, {}},
        {"", false, "", {}, {}},
        {"D0||D1", false, "", {}, {}},
        {"D2", false, "D2", {}, {}},
        {"d0", false, "d0", {}, {}},
        {"U0;1", false, "U0;1", {}, {}},
        {"W", false, "W", {}, {}},
        {"W-1", false, "W-1", {}, {}},
        {"W0.05s", false, "W0.05s", {}, {}},
        {"D0|W1.2.3", false, "W1.2.3", {}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        std::vector<SequenceStep> steps;
        std::string badStep = "unset";
        ASSERT_EQ(readSequence(c.text, steps, badStep), c.valid);
        if (!c.valid) {
            EXPECT_EQ(badStep, c.badStep);
            continue;
        }
        ASSERT_EQ(steps.size(), c.lines.size());
        for (size_t i = 0; i < steps.size(); ++i) {
            EXPECT_EQ(steps[i].kind == StepKind::Wait ? -1 : steps[i].lines, c.lines[i]);
            EXPECT_EQ(steps[i].milliseconds, c.milliseconds[i]);
        }
    }
}

}  // namespace
}  // namespace reset
