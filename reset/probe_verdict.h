// --probe's words: each try's line as it happens, and the verdict on the
// tries made, which names the wiring, the rate and, against korvane.inc,
// the crystal that explains a rate other than the file's, as lines and as
// one JSON object. Pure.
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
    Found,        // the text came, and again on the confirming reset
    Unconfirmed,  // the text came once, but not on the confirming reset
    Restarts,     // bytes came after a release, the text at no rate
    Silent,       // no byte after any reset
};

struct ProbeVerdict {
    ProbeFinding finding;
    bool wiringKnown;                // a wiring brought bytes (or was given)
    Wiring wiring;
    uint32_t rate;                   // Found: the rate
    std::string shownLine;           // Found: the text's line as --expect shows it
    std::string command;             // Found: the command line that does it again
    std::optional<double> incClock;  // korvane.inc's clock (Hz), where one was read
    std::optional<double> crystal;   // the standard crystal that makes the rate (Hz)
    bool otherRate;                  // korvane.inc read, the rate more than 1 % from
                                     // its own, and no crystal explains it
    std::vector<uint32_t> ratesTried;
    std::string commonest;           // Restarts: what came most often, escaped
};

// `port` is PORT as typed, for the command line that does it again.
ProbeVerdict judgeProbe(const Probe& probe, const std::string& port);

// The verdict on standard output, and its exit status (0 found, 3 else).
std::vector<std::string> verdictLines(const ProbeVerdict& verdict, const Probe& probe);
int verdictStatus(const ProbeVerdict& verdict);

// --probe --json: the verdict as one JSON object.
std::string verdictJson(const ProbeVerdict& verdict, const Probe& probe);

}  // namespace reset
