// A custom reset sequence for boards whose reset wiring needs more than one
// pulse: steps separated by "|" in the notation that ESP32 flashing tools
// use. D0 and D1 set DTR, R0 and R1 set RTS, U0,1 sets DTR and RTS together
// in one call (DTR first), W0.05 waits that many seconds. "D0|W0.05|U1,1" is
// the default pulse.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "reset/modem_lines.h"

namespace reset {

enum class StepKind { Lines, Wait };

// How a Lines step reaches the driver: the lines named off (TIOCMBIC) or on
// (TIOCMBIS), or DTR and RTS set in one call (TIOCMSET).
enum class LineCall { Off, On, Set };

// One step of a reset, from --sequence or from the pulse (plan.h).
struct SequenceStep {
    StepKind kind;
    int lines;                  // Lines: the lines that the step sets (DTR, RTS or both)
    int levels;                 // Lines: which of them go on
    uint32_t milliseconds;      // Wait: the seconds asked, rounded up to whole ms
    LineCall call = LineCall::Set;  // Lines
};

// The largest wait of one step: as long as a pulse may be.
constexpr uint32_t maxStepMilliseconds = 65535;

// Seconds as digits with at most one point ("0.05", "2", ".5"), rounded up
// to whole milliseconds: a wait is never shorter than asked. False for any
// other text and beyond `limit` milliseconds.
bool readSeconds(const std::string& text, uint32_t limit, uint32_t& milliseconds);

// Reads STEPS; false with the step that is wrong (the whole text when it is
// empty) in `badStep`.
bool readSequence(const std::string& text, std::vector<SequenceStep>& steps, std::string& badStep);

// What is wrong with a sequence, in korvane-reset's and the page's words.
std::string sequenceErrorText(const std::string& badStep);

// DTR and RTS once every step has run, from the lines as they were.
int linesAfterSequence(const std::vector<SequenceStep>& steps, int linesBefore);

// The waits of the sequence added up: all that the pseudo port null does.
uint32_t sequenceMilliseconds(const std::vector<SequenceStep>& steps);

}  // namespace reset
