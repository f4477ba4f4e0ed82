// --probe: finds how a silent board is reset and at which rate it answers.
// First the wirings at one rate, until bytes come after a release (garbage
// shows as well as a banner that this wiring restarts the board); then the
// rates with that wiring until the text comes; then one more reset to
// confirm it. Each try is one reset. The plan is a function of the tries
// made so far, so that the program's loop and the page's drive the same
// tries (the verdict is probe_verdict.h). Pure but for runProbe, which
// drives the tries over the port's seam.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "calculator/include_reader.h"
#include "reset/options.h"
#include "reset/port.h"
#include "reset/run.h"

namespace reset {

// How the board's reset hangs on the lines: the lines of the pulse and
// whether a circuit inverts them, or the user's own --sequence.
struct Wiring {
    PulseLines lines = PulseLines::Dtr;
    bool inverted = false;
    bool sequence = false;
};

enum class ProbePhase { Wiring, Rate, Confirm };

struct ProbeTry {
    ProbePhase phase;
    Wiring wiring;
    uint32_t rate;
};

// What one try brought.
struct TryResult {
    bool refused = false;    // the driver kept another rate: no reset was made
    uint32_t keptRate = 0;   // then the rate it kept
    std::string bytes;       // what came after the release, its first maxKeptBytes
    size_t byteCount = 0;    // how many came
    bool found = false;      // the text was among them
};
constexpr size_t maxKeptBytes = 4096;

struct TryRecord {
    ProbeTry attempt;
    TryResult result;
};

struct ProbeSetup {
    Options options;                                  // --expect's text, --timeout, WIDTH, the wiring given
    std::optional<calculator::IncludeFacts> include;  // korvane.inc, where one was read
};

struct Probe {
    ProbeSetup setup;
    std::vector<uint32_t> wiringRates;  // the rates of the wiring phase, in turn
    std::vector<uint32_t> rates;        // the rates of the rate phase, in turn
    std::vector<TryRecord> tries;       // as they were made
};

// korvane.inc as the file at `path` holds it: its facts, or none with the
// warning's text for a file that is no korvane.inc.
std::optional<calculator::IncludeFacts> probeInclude(const std::string& path, const std::string& text,
                                                     std::string& warning);

// The rates of a probe, before any try.
Probe startProbe(const ProbeSetup& setup);

// The next try, or none when the probe is over.
std::optional<ProbeTry> nextTry(const Probe& probe);

// The options of a try's reset: the user's, with the try's wiring and rate.
Options tryOptions(const Probe& probe, const ProbeTry& attempt);

void recordTry(Probe& probe, const ProbeTry& attempt, const TryResult& result);

// How many resets the tries made (a refused rate makes none).
size_t resetsMade(const Probe& probe);

// Two wirings are one.
bool sameWiring(const Wiring& a, const Wiring& b);

// The wiring that restarts the board: the one given, or the first that
// brought bytes; none before.
std::optional<Wiring> wiringFound(const Probe& probe);

// The first try that brought the text, or nullptr.
const TryRecord* firstFound(const Probe& probe);

// DTR and RTS as a probe that is over must leave them, where its last try
// did not: as a plain reset leaves them when no wiring restarted the board
// (after a reset; Ctrl-C too); none where they stay as the last try left them.
std::optional<int> linesAfterProbe(const Probe& probe);

// A rate in whole Baud, or 0 for one that no line takes.
uint32_t wholeBaud(double rate);

// `rate` added unless it is 0 or within 1 % of one listed.
void addDistinctRate(std::vector<uint32_t>& rates, uint32_t rate);

// The tries over an opened port: each try's rate set and read back (a
// refused rate is recorded and skipped), the reset, and what comes from the
// release for --timeout (until the text's line has ended). `shown` gets
// each try's record as it ends; false from it (standard error is gone)
// ends the probe with AnswerNotShown. Done when the tries ran out; a
// failure of the port or an ending signal ends the probe at once. The
// line's settings are put back at the end, as after --expect.
PulseReport runProbe(ModemLineDriver& modemLines, ReceiveLineDriver& line, Probe& probe,
                     const std::function<bool(const TryRecord&)>& shown);

}  // namespace reset
