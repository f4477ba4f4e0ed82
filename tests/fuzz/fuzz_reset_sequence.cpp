// korvane-reset's --sequence on fuzzed text: a sequence it takes has one
// step per "|"-separated item, each setting DTR, RTS or both to levels among
// them or waiting at most 65.535 s; a sequence it refuses names one of its
// items.
#include "fuzz_support.h"
#include "reset/sequence.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text = textOf(data, size);
    std::vector<reset::SequenceStep> steps;
    std::string badStep;
    const size_t items = static_cast<size_t>(std::count(text.begin(), text.end(), '|')) + 1;
    if (!reset::readSequence(text, steps, badStep)) {
        FUZZ_CHECK(("|" + text + "|").find("|" + badStep + "|") != std::string::npos, badStep);
        return 0;
    }
    FUZZ_CHECK(steps.size() == items, text);
    for (const reset::SequenceStep& step : steps) {
        if (step.kind == reset::StepKind::Wait) {
            FUZZ_CHECK(step.milliseconds <= reset::maxStepMilliseconds, text);
        } else {
            FUZZ_CHECK(step.lines == reset::dtrLine || step.lines == reset::rtsLine || step.lines == (reset::dtrLine | reset::rtsLine), text);
            FUZZ_CHECK((step.levels & ~step.lines) == 0, text);
        }
    }
    FUZZ_CHECK((reset::linesAfterSequence(steps, 0) & ~reset::restLines) == 0, text);
    return 0;
}
