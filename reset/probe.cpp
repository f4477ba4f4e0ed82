#include "reset/probe.h"

#include <algorithm>

#include "common/extended.h"
#include "reset/expect.h"
#include "reset/modem_lines.h"
#include "reset/plan.h"
#include "reset/received_text.h"
#include "survey/link_survey.h"

namespace reset {

namespace {

// Each line alone before both, so that the answer names the one line
// that resets the board.
const Wiring probedWirings[] = {
    {PulseLines::Dtr, false, false},  {PulseLines::Dtr, true, false}, {PulseLines::Rts, false, false},
    {PulseLines::Rts, true, false},   {PulseLines::Both, false, false}, {PulseLines::Both, true, false},
};

// Without korvane.inc the wiring phase starts at the rate most loaders
// use; a board that shows nothing there is faster, and 115200 Baud
// shows every board from 300 Baud up as bytes.
constexpr uint32_t firstRateWithoutFile = 9600;
constexpr uint32_t fastestStandardRate = 115200;


// DTR and RTS as a plain pulse leaves them.
constexpr int plainRestLines = dtrLine | rtsLine;

// The most tries that the window's edges take.
constexpr size_t mostWindowTries = 12;

// The standard crystals, the one nearest korvane.inc's own first.
std::vector<double> crystalsByDistance(double clock)
{
    std::vector<double> crystals = survey::standardCrystals();
    std::stable_sort(crystals.begin(), crystals.end(), [clock](double a, double b) {
        return common::magnitudeOf(common::Extended(a) - clock) < common::magnitudeOf(common::Extended(b) - clock);
    });
    return crystals;
}


bool tried(const Probe& probe, const Wiring& wiring, uint32_t rate)
{
    return std::any_of(probe.tries.begin(), probe.tries.end(), [&](const TryRecord& record) {
        return record.attempt.rate == rate && (record.result.refused || sameWiring(record.attempt.wiring, wiring));
    });
}

}  // namespace

std::optional<Wiring> givenWiring(const Options& options)
{
    const bool given = options.lineGiven || options.inverted || !options.sequence.empty();
    return given ? std::optional(Wiring{options.lines, options.inverted, !options.sequence.empty()}) : std::nullopt;
}

bool sameWiring(const Wiring& a, const Wiring& b)
{
    return a.lines == b.lines && a.inverted == b.inverted && a.sequence == b.sequence;
}

void addDistinctRate(std::vector<uint32_t>& rates, uint32_t rate)
{
    const bool listed = std::any_of(rates.begin(), rates.end(), [rate](uint32_t r) { return rateTaken(r, rate); });
    if (rate != 0 && !listed) {
        rates.push_back(rate);
    }
}

// The wiring that restarts the board: the one given, or the first that
// brought bytes.
std::optional<Wiring> wiringFound(const Probe& probe)
{
    if (const std::optional<Wiring> given = givenWiring(probe.setup.options)) {
        return given;
    }
    for (const TryRecord& record : probe.tries) {
        if (record.result.byteCount > 0) {
            return record.attempt.wiring;
        }
    }
    return std::nullopt;
}

const TryRecord* firstFound(const Probe& probe)
{
    for (const TryRecord& record : probe.tries) {
        if (record.result.found) {
            return &record;
        }
    }
    return nullptr;
}

const TryRecord* lateTry(const Probe& probe)
{
    for (const TryRecord& record : probe.tries) {
        if (record.result.found) {
            return nullptr;
        }
        if (record.result.lateText) {
            return &record;
        }
    }
    return nullptr;
}

bool restartMissed(const Probe& probe)
{
    const TryRecord* found = firstFound(probe);
    if (found == nullptr) {
        return false;
    }
    return std::any_of(found + 1, probe.tries.data() + probe.tries.size(), [found](const TryRecord& record) {
        const bool silent = !record.result.refused && record.result.byteCount == 0 && record.result.laterBytes == 0;
        const bool unconfirmed = record.attempt.phase == ProbePhase::Confirm && !record.result.found;
        return sameWiring(record.attempt.wiring, found->attempt.wiring) && (silent || unconfirmed);
    });
}

double triedRate(const Probe& probe, uint32_t asked)
{
    const double wire = wireRate(probe.setup.rateMaker, asked);
    return wire > 0 ? wire : asked;
}

ProbeWindow probeWindow(const Probe& probe)
{
    ProbeWindow window;
    const TryRecord* found = firstFound(probe);
    if (found == nullptr) {
        return window;
    }
    std::vector<uint32_t> refused;
    for (const TryRecord& record : probe.tries) {
        if (record.result.refused) {
            refused.push_back(record.attempt.rate);
        } else if (sameWiring(record.attempt.wiring, found->attempt.wiring) &&
                   record.result.byteCount + record.result.laterBytes > 0) {
            // Whether the text decodes does not depend on when it came.
            const bool decoded = record.result.found || record.result.lateText;
            window.samples.push_back(RateSample{triedRate(probe, record.attempt.rate), decoded});
        }
    }
    window.boardRates = fittingRates(window.samples);
    window.standardRates = fittingOf(window.boardRates, survey::standardRates());
    if (const std::optional<calculator::IncludeFacts>& file = probe.setup.include) {
        const common::Extended middle = rangeMiddle(window.boardRates);
        const auto misfit = [&](double crystal) {
            return common::magnitudeOf(common::Extended(calculator::generatedRate(file->generator, file->settings, crystal)) - middle);
        };
        for (const double crystal : survey::standardCrystals()) {
            if (rateFits(window.boardRates, calculator::generatedRate(file->generator, file->settings, crystal))) {
                window.crystals.push_back(crystal);
            }
        }
        std::stable_sort(window.crystals.begin(), window.crystals.end(),
                         [&](double a, double b) { return misfit(a) < misfit(b); });
    }
    // Settled once at most one crystal fits and the rate is known: a
    // standard rate fits, or the range is narrow.
    const bool narrow = common::Extended(window.boardRates.high) <= common::Extended(window.boardRates.low) * narrowRange;
    const bool settled = window.crystals.size() <= 1 && (window.standardRates.size() == 1 || narrow);
    window.search = searchWindow(window.samples, probe.setup.rateMaker, settled, refused);
    return window;
}

int64_t listenUntil(int64_t release, uint32_t wait, int64_t answerEnd, int64_t lastByte)
{
    return std::min(std::max(answerEnd, lastByte + quietMilliseconds), release + wait + mostLaterMilliseconds);
}

void sortHeard(const std::vector<HeardPiece>& pieces, uint32_t wait, const std::string& text, TryResult& result)
{
    TextWatch watch{text, ""};
    for (const HeardPiece& piece : pieces) {
        const bool inTime = piece.afterRelease <= wait;
        const bool textNow = watch.seen(piece.bytes) && !result.found && !result.lateText;
        if (inTime) {
            result.byteCount += piece.bytes.size();
            result.bytes += piece.bytes.substr(0, maxKeptBytes - std::min(maxKeptBytes, result.bytes.size()));
        } else {
            result.laterBytes += piece.bytes.size();
        }
        if (textNow) {
            result.found = inTime;
            result.lateText = !inTime;
            result.textAfter = piece.afterRelease;
        }
    }
}


std::optional<int> linesAfterProbe(const Probe& probe)
{
    return !wiringFound(probe) && resetsMade(probe) > 0 ? std::optional<int>(plainRestLines) : std::nullopt;
}

std::optional<calculator::IncludeFacts> probeInclude(const std::string& path, const std::string& text, bool named,
                                                     std::string& problem)
{
    calculator::IncludeFacts facts{};
    std::string why;
    if (calculator::readIncludeFile(text, facts, why)) {
        problem.clear();
        return facts;
    }
    problem = path + " is not a korvane.inc that mardeluk wrote (" + why + ")" + (named ? "" : ": ignored");
    return std::nullopt;
}

Probe startProbe(const ProbeSetup& setup)
{
    Probe probe{setup, {}, {}, {}};
    const Options& options = setup.options;
    const std::optional<calculator::IncludeFacts>& file = setup.include;
    const uint32_t fileRate = file ? wholeBaud(file->nominal) : 0;
    const uint32_t first = !options.rates.empty() ? options.rates.front() : fileRate;
    addDistinctRate(probe.wiringRates, first != 0 ? first : firstRateWithoutFile);
    addDistinctRate(probe.wiringRates, fastestStandardRate);
    if (!options.rates.empty()) {
        for (const uint32_t rate : options.rates) {
            addDistinctRate(probe.rates, rate);
        }
        return probe;
    }
    addDistinctRate(probe.rates, fileRate);
    if (file) {
        for (const double crystal : crystalsByDistance(file->clock)) {
            addDistinctRate(probe.rates, wholeBaud(calculator::generatedRate(file->generator, file->settings, crystal)));
        }
    }
    for (const double rate : survey::standardRates()) {
        addDistinctRate(probe.rates, wholeBaud(rate));
    }
    return probe;
}

std::optional<ProbeTry> nextTry(const Probe& probe)
{
    if (lateTry(probe) != nullptr) {
        return std::nullopt;
    }
    if (const TryRecord* found = firstFound(probe)) {
        if (restartMissed(probe)) {
            return std::nullopt;
        }
        const Wiring& wiring = found->attempt.wiring;
        const size_t windowTries = static_cast<size_t>(std::count_if(
            probe.tries.begin(), probe.tries.end(), [](const TryRecord& r) { return r.attempt.phase == ProbePhase::Window; }));
        const WindowSearch search = probeWindow(probe).search;
        if (search.step == WindowStep::Try && windowTries < mostWindowTries) {
            return ProbeTry{ProbePhase::Window, wiring, search.asked};
        }
        const bool twice = std::count_if(probe.tries.begin(), probe.tries.end(),
                                         [](const TryRecord& r) { return r.result.found; }) >= 2;
        return twice ? std::nullopt : std::optional(ProbeTry{ProbePhase::Confirm, wiring, found->attempt.rate});
    }
    const std::optional<Wiring> wiring = wiringFound(probe);
    if (!wiring) {
        // A board that talked while the pulse held its line is released by
        // the pulse's first edge: its wiring is the other way round.
        if (!probe.tries.empty()) {
            const TryRecord& last = probe.tries.back();
            const Wiring flipped{last.attempt.wiring.lines, !last.attempt.wiring.inverted, false};
            if (last.result.pulseBytes > 0 && !tried(probe, flipped, last.attempt.rate)) {
                return ProbeTry{ProbePhase::Wiring, flipped, last.attempt.rate};
            }
        }
        for (const uint32_t rate : probe.wiringRates) {
            for (const Wiring& candidate : probedWirings) {
                if (!tried(probe, candidate, rate)) {
                    return ProbeTry{ProbePhase::Wiring, candidate, rate};
                }
            }
        }
        return std::nullopt;
    }
    for (const uint32_t rate : probe.rates) {
        if (!tried(probe, *wiring, rate)) {
            return ProbeTry{ProbePhase::Rate, *wiring, rate};
        }
    }
    return std::nullopt;
}

Options tryOptions(const Probe& probe, const ProbeTry& attempt)
{
    Options options = probe.setup.options;
    if (!attempt.wiring.sequence) {
        options.lines = attempt.wiring.lines;
        options.inverted = attempt.wiring.inverted;
    }
    options.answer.baud = attempt.rate;
    options.answer.tries = 1;
    return options;
}

void recordTry(Probe& probe, const ProbeTry& attempt, const TryResult& result)
{
    TryRecord record{attempt, result};
    record.result.bytes.resize(std::min(record.result.bytes.size(), maxKeptBytes));
    probe.tries.push_back(record);
}

size_t resetsMade(const Probe& probe)
{
    return static_cast<size_t>(std::count_if(probe.tries.begin(), probe.tries.end(),
                                             [](const TryRecord& record) { return !record.result.refused; }));
}


namespace {

// The text's line has ended in what came: a line end after the text.
bool textLineEnded(const std::string& heard, const std::string& text)
{
    const size_t at = heard.find(text);
    return at != std::string::npos && heard.find_first_of("\r\n", at + text.size()) != std::string::npos;
}

// What comes from the release: until the wait is over or the text's line
// has ended, then until the line has been quiet for quietMilliseconds.
PulseReport hearTry(ReceiveLineDriver& line, const ExpectRequest& request, int64_t release,
                    std::vector<HeardPiece>& pieces)
{
    std::string heard;  // the first maxKeptBytes, for the end of the text's line
    int64_t answerEnd = release + request.milliseconds;
    int64_t lastByte = release;
    const auto until = [&] { return listenUntil(release, request.milliseconds, answerEnd, lastByte); };
    return readUntil(line, until, [&](const std::string& bytes, int64_t at) {
        lastByte = at;
        pieces.push_back(HeardPiece{static_cast<uint32_t>(at - release), bytes});
        if (at <= release + request.milliseconds && heard.size() < maxKeptBytes) {
            heard += bytes;
            answerEnd = textLineEnded(heard, request.text) ? at : answerEnd;
        }
        return true;
    });
}

// What waits in the input when the pulse releases the board: what it sent
// while the pulse held the line. An ending signal stops the count and is
// kept for the try's end.
int countPulseBytes(ReceiveLineDriver& line, size_t& count, int& signal)
{
    for (std::string bytes;; bytes.clear()) {
        const common::WaitResult read = line.readInput(bytes, 0);
        signal = read.end == common::WaitEnd::EndingSignal ? read.detail : 0;
        if (read.end != common::WaitEnd::Elapsed) {
            return read.end == common::WaitEnd::CheckFailed ? read.detail : 0;
        }
        if (bytes.empty() || count > maxKeptBytes * 16) {
            return 0;
        }
        count += bytes.size();
    }
}

// One try's reset on the port, and what came during its pulse and from its
// release into `result`.
PulseReport runTry(ModemLineDriver& modemLines, ReceiveLineDriver& line, const Options& options, TryResult& result)
{
    const int discardError = line.discardInput();
    int64_t release = 0;
    int signal = 0;
    const auto released = [&] {
        release = line.monotonicMilliseconds();
        return countPulseBytes(line, result.pulseBytes, signal);
    };
    PulseReport report = discardError != 0 ? driverFailure(discardError, "discarding old input")
                                           : runSerial(modemLines, serialPlan(options), released);
    if (report.outcome == PulseOutcome::Done && signal != 0) {
        report.outcome = PulseOutcome::Interrupted;
        report.detail = signal;
    }
    if (report.outcome == PulseOutcome::Done) {
        std::vector<HeardPiece> pieces;
        const PulseReport heard = hearTry(line, options.answer, release, pieces);
        sortHeard(pieces, options.answer.milliseconds, options.answer.text, result);
        result.releasedAt = release;
        report = PulseReport{heard.outcome, heard.detail, heard.step, report.hangupCleared};
    }
    return report;
}

}  // namespace

PulseReport runProbe(ModemLineDriver& modemLines, ReceiveLineDriver& line, Probe& probe,
                     const std::function<bool(const TryRecord&)>& shown)
{
    int present = 0;
    const int error = modemLines.readModemLines(present);
    if (error != 0) {
        return firstCallFailure(error, PulseOutcome::NotModemPort, "reading the modem lines");
    }
    uint32_t rateSet = 0;  // the line's rate, 0 before any
    bool hangupCleared = false;
    PulseReport report{PulseOutcome::Done, 0, ""};
    for (std::optional<ProbeTry> attempt = nextTry(probe); attempt; attempt = nextTry(probe)) {
        TryResult result;
        if (attempt->rate != rateSet) {
            if (rateSet != 0) {
                line.restoreLine(hangupCleared);
            }
            report = setLineRate(line, attempt->rate, hangupCleared);
            if (report.outcome != PulseOutcome::Done && report.outcome != PulseOutcome::RateRefused) {
                break;
            }
            // A rate that the driver does not take is named and skipped, without a reset.
            result.refused = report.outcome == PulseOutcome::RateRefused;
            result.keptRate = result.refused ? static_cast<uint32_t>(report.detail) : 0;
            rateSet = result.refused ? 0 : attempt->rate;
            report = PulseReport{PulseOutcome::Done, 0, ""};
        }
        if (!result.refused) {
            report = runTry(modemLines, line, tryOptions(probe, *attempt), result);
            hangupCleared = hangupCleared || report.hangupCleared;
            if (report.outcome != PulseOutcome::Done) {
                break;
            }
        }
        recordTry(probe, *attempt, result);
        if (!shown(probe.tries.back())) {
            report = PulseReport{PulseOutcome::AnswerNotShown, 0, ""};
            break;
        }
    }
    // At the end as after Ctrl-C; a port that failed is left as it is.
    const bool portWorks = report.outcome == PulseOutcome::Done || report.outcome == PulseOutcome::Interrupted ||
                           report.outcome == PulseOutcome::AnswerNotShown;
    if (const std::optional<int> rest = linesAfterProbe(probe); portWorks && rest) {
        const int restError = modemLines.setModemLines(*rest);
        report = restError != 0 ? driverFailure(restError, "putting the lines at rest") : report;
    }
    if (rateSet != 0) {
        line.restoreLine(hangupCleared);
    }
    report.hangupCleared = hangupCleared;
    return report;
}

}  // namespace reset
