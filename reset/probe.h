// --probe: finds how a silent board is reset and at which rate it answers.
// First the wirings at one rate, until bytes come after a release (garbage
// shows as well as a banner that this wiring restarts the board); then the
// rates with that wiring until the text comes; then the rates around that
// one, until the window where the text decodes tells the board's rate well
// enough (rate_window.h); the text must come twice. Each try is one reset,
// and only what came after its own release, before the next reset, counts
// for it. The plan is a function of the tries made so far, so that the
// program's loop and the page's drive the same tries (the verdict is
// probe_verdict.h). Pure but for runProbe, which drives the tries over the
// port's seam.
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
#include "reset/rate_window.h"
#include "reset/run.h"
#include "survey/pc_adapters.h"

namespace reset {

// How the board's reset hangs on the lines: the lines of the pulse and
// whether a circuit inverts them, or the user's own --sequence.
struct Wiring {
    PulseLines lines = PulseLines::Dtr;
    bool inverted = false;
    bool sequence = false;
};

enum class ProbePhase { Wiring, Rate, Window, Confirm };

struct ProbeTry {
    ProbePhase phase;
    Wiring wiring;
    uint32_t rate;
};

// What one try brought.
struct TryResult {
    bool refused = false;    // the driver kept another rate: no reset was made
    uint32_t keptRate = 0;   // then the rate it kept
    std::string bytes;       // what came within the wait after the release, its first maxKeptBytes
    size_t byteCount = 0;    // how many came
    bool found = false;      // the text was among them
    size_t pulseBytes = 0;   // bytes that came while the pulse held the line
    size_t laterBytes = 0;   // bytes after the wait, until the line was quiet
    bool lateText = false;   // the text came only among those
    uint32_t textAfter = 0;  // found or late: ms from the release to the text
    int64_t releasedAt = 0;  // the release, in ms on the port's clock
};
constexpr size_t maxKeptBytes = 4096;

// After each try's wait the line must have been quiet this long before the
// next reset; what comes until then is the try's, but later (at most
// mostLaterMilliseconds of it: a board that never stops is reset anyway).
constexpr uint32_t quietMilliseconds = 100;
constexpr uint32_t mostLaterMilliseconds = 1000;

// Until when a try listens, in ms on the port's clock: to `answerEnd` (the
// release and the wait, or the end of the text's line where it came), then
// on until the line has been quiet for quietMilliseconds since `lastByte`,
// at most mostLaterMilliseconds beyond the wait.
int64_t listenUntil(int64_t release, uint32_t wait, int64_t answerEnd, int64_t lastByte);

// What came after a release, piece by piece, each with its time.
struct HeardPiece {
    uint32_t afterRelease;  // ms
    std::string bytes;
};

// The pieces of a try sorted into its result: those within `wait` ms of the
// release are the answer, with or without the text; the rest came later.
void sortHeard(const std::vector<HeardPiece>& pieces, uint32_t wait, const std::string& text, TryResult& result);

struct TryRecord {
    ProbeTry attempt;
    TryResult result;
};

struct ProbeSetup {
    Options options;                                  // --expect's text, --timeout, WIDTH, the wiring given
    std::optional<calculator::IncludeFacts> include;  // korvane.inc, where one was read
    survey::Adapter rateMaker = survey::Adapter::Exact;  // how the port's driver makes a rate
};

struct Probe {
    ProbeSetup setup;
    std::vector<uint32_t> wiringRates;  // the rates of the wiring phase, in turn
    std::vector<uint32_t> rates;        // the rates of the rate phase, in turn
    std::vector<TryRecord> tries;       // as they were made
};

// korvane.inc as the file at `path` holds it: its facts, or none with the
// text for a file that is no korvane.inc: an error where the user named the
// file (`named`), else a warning that it is ignored.
std::optional<calculator::IncludeFacts> probeInclude(const std::string& path, const std::string& text, bool named,
                                                     std::string& problem);

// The rates of a probe, before any try.
Probe startProbe(const ProbeSetup& setup);

// The next try, or none when the probe is over.
std::optional<ProbeTry> nextTry(const Probe& probe);

// The options of a try's reset: the user's, with the try's wiring and rate.
Options tryOptions(const Probe& probe, const ProbeTry& attempt);

void recordTry(Probe& probe, const ProbeTry& attempt, const TryResult& result);

// How many resets the tries made (a refused rate makes none).
size_t resetsMade(const Probe& probe);

// The wiring that --line, --invert or --sequence give, or none.
std::optional<Wiring> givenWiring(const Options& options);

// Two wirings are one.
bool sameWiring(const Wiring& a, const Wiring& b);

// The wiring that restarts the board: the one given, or the first that
// brought bytes; none before.
std::optional<Wiring> wiringFound(const Probe& probe);

// The first try that brought the text, or nullptr.
const TryRecord* firstFound(const Probe& probe);

// The first try whose text came only after its wait, before any found it,
// or nullptr: the probe ends there.
const TryRecord* lateTry(const Probe& probe);

// A try after the first that found the text, with its wiring, that brought
// no byte at all (late ones count), or a confirmation without the text: the
// board did not restart as it did then.
bool restartMissed(const Probe& probe);

// What the tries with the wiring that found the text showed of the window,
// the rates of the board that fit them, and korvane.inc's crystals and the
// standard rates among those.
struct ProbeWindow {
    std::vector<RateSample> samples;
    RateRange boardRates{0, 0};
    std::vector<double> crystals;       // Hz: the standard crystals at which korvane.inc's settings
                                        // fit, the nearest to the middle of the board's rates first
    std::vector<double> standardRates;  // Baud
    WindowSearch search{WindowStep::Settled, 0};  // how the search goes on, or why it stopped
};
ProbeWindow probeWindow(const Probe& probe);

// DTR and RTS as a probe that is over must leave them, where its last try
// did not: as a plain reset leaves them when no wiring restarted the board
// (after a reset; Ctrl-C too); none where they stay as the last try left them.
std::optional<int> linesAfterProbe(const Probe& probe);

// The rate on the wire of a try's rate (the one asked where the driver's
// arithmetic is not known to make another).
double triedRate(const Probe& probe, uint32_t asked);

// `rate` added unless it is 0 or within 1 % of one listed.
void addDistinctRate(std::vector<uint32_t>& rates, uint32_t rate);

// The tries over an opened port: each try's rate set and read back (a
// refused rate is recorded and skipped), the reset with what came during
// its pulse counted, what comes from the release for --timeout (until the
// text's line has ended), then until the line is quiet. `shown` gets
// each try's record as it ends; false from it (standard error is gone)
// ends the probe with AnswerNotShown. Done when the tries ran out; a
// failure of the port or an ending signal ends the probe at once. The
// line's settings are put back at the end, as after --expect.
PulseReport runProbe(ModemLineDriver& modemLines, ReceiveLineDriver& line, Probe& probe,
                     const std::function<bool(const TryRecord&)>& shown);

}  // namespace reset
