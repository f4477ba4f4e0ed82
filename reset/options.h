// The options of a reset, one struct for korvane-reset's command line and the
// page's fields: their defaults, each option's check and error text, and
// the checks of how they combine. Pure: the program's getopt table and the
// page's fields fill it, and both show its texts.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/pulse_width.h"
#include "reset/sequence.h"

namespace reset {

// --expect's limits.
constexpr uint32_t maxAnswerMilliseconds = 3600000;
constexpr uint32_t maxTries = 100;
constexpr double maxLineRate = 12000000;

// Which lines go off for the pulse; after it DTR and RTS are both on.
enum class PulseLines { Dtr, Rts, Both };
int linesOf(PulseLines lines);
// --line's word for them: "dtr", "rts" or "both".
const char* lineWord(PulseLines lines);

// What the board is waited for after each reset.
struct ExpectRequest {
    std::string text;        // what the board sends when it runs
    uint32_t baud;           // the line's rate
    uint32_t milliseconds;   // how long to wait from each release of the reset
    uint32_t tries;          // how often to reset and wait at most
};

// The defaults are those of a run without options.
struct Options {
    PulseLines lines = PulseLines::Dtr;             // --line
    bool inverted = false;                          // --invert: the lines go on for the pulse
    std::vector<SequenceStep> sequence;             // --sequence, empty without it
    std::string sequenceText;                       // --sequence as typed
    uint16_t pulseWidth = common::defaultPulseWidth;  // WIDTH, in milliseconds
    bool expect = false;                            // --expect: wait for the board's answer
    ExpectRequest answer{"", 0, 2000, 1};           // --expect, --baud, --timeout, --tries
    std::string timeoutText = "2";                  // --timeout as typed, in seconds: also the message's
    bool probe = false;                             // --probe: find the wiring and the rate
    std::vector<uint32_t> rates;                    // --baud's rates; more than one only with --probe
    std::string includePath;                        // --inc: korvane.inc for --probe, "" for ./korvane.inc
    // What was given, for the checks of the whole.
    bool lineGiven = false;
    bool expectDetailGiven = false;                 // --baud, --timeout or --tries
    bool timeoutGiven = false;
    bool triesGiven = false;
};

// --probe's wait after each release where --timeout is not given.
constexpr uint32_t probeMilliseconds = 500;

// The options of a reset, in the order of korvane-reset's help.
enum class Option { Line, Invert, Sequence, Expect, Baud, Timeout, Tries, Probe, Inc };
constexpr Option everyOption[] = {Option::Line,    Option::Invert, Option::Sequence, Option::Expect, Option::Baud,
                                  Option::Timeout, Option::Tries,  Option::Probe,    Option::Inc};

// The long name, without "--", and whether it takes a value.
const char* optionName(Option option);
bool optionTakesValue(Option option);

// One option's value read into `options`: "" or the error text.
std::string readOption(Option option, const std::string& value, Options& options);

// The checks once every option is read, then WIDTH where it was given (with
// --sequence it is refused before it is read): "" or the error text.
std::string completeOptions(Options& options, const std::optional<std::string>& width);

// --baud's reading alone (mardeluk's number forms, a whole number of Baud):
// "" or the error text.
std::string readLineRate(const std::string& text, uint32_t& baud);

}  // namespace reset
