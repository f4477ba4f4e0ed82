// --probe's words: each try's line as it happens, and the verdict on the
// tries made: the wiring, the rate and the window where the text decodes,
// and against korvane.inc the crystals that fit the board's rate, or the
// rate the loader may have been built for; as lines and as one JSON
// object. It says only what the tries measured. Pure.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "reset/probe.h"

namespace reset {

// A try's line on standard error, as it happens.
std::string tryLine(const Probe& probe, const TryRecord& record);

// The wiring in words: "a DTR pulse", "an RTS pulse, inverted", "the sequence D0|W0.05|U1,1".
std::string wiringWords(const Wiring& wiring, const Options& options);

enum class ProbeFinding {
    Found,        // the text came at least twice, and the window around it is measured
    Unconfirmed,  // the text came once, but the board did not restart so again
    Late,         // the text came only after the wait
    Restarts,     // bytes came after a release, the text at no rate
    Silent,       // no byte after any reset
};

struct ProbeVerdict {
    ProbeFinding finding;
    bool wiringKnown;                // a wiring brought bytes (or was given)
    Wiring wiring;
    uint32_t rate;                   // Found: the rate for the command; Unconfirmed, Late: the try's
    ProbeWindow window;              // Found: the window's samples and what fits them
    bool coarse;                     // Found: the driver makes no rate where an edge lies
    std::string shownLine;           // Found: the text's line as --expect shows it
    std::string command;             // Found, Unconfirmed: the command that does it again
    std::string next;                // Late, Unconfirmed: the probe with a wait that finds a late text
    std::optional<double> incClock;  // korvane.inc's clock (Hz), where one was read
    std::optional<uint32_t> otherStandardRate;  // a standard rate that fits, not korvane.inc's
    uint32_t lateAfter;              // Late, Unconfirmed: ms from the release (of the reset
                                     // before, for Unconfirmed) to the text; 0: none
    std::vector<uint32_t> ratesTried;
    std::string commonest;           // Restarts: what came most often, escaped
    size_t pulseBytes;               // Silent: the bytes that came during a pulse, and its wiring
    Wiring pulseWiring;
};

// `port` is PORT as typed, for the command lines.
ProbeVerdict judgeProbe(const Probe& probe, const std::string& port);

// The verdict on standard output, and its exit status (0 found, 3 else).
std::vector<std::string> verdictLines(const ProbeVerdict& verdict, const Probe& probe);
int verdictStatus(const ProbeVerdict& verdict);

// --probe --json: the verdict as one JSON object.
std::string verdictJson(const ProbeVerdict& verdict, const Probe& probe);

}  // namespace reset
