#include "reset/probe.h"

#include <algorithm>

#include "common/extended.h"
#include "reset/expect.h"
#include "reset/modem_lines.h"
#include "reset/plan.h"
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

bool wiringGiven(const Options& options)
{
    return options.lineGiven || options.inverted || !options.sequence.empty();
}

Wiring givenWiring(const Options& options)
{
    return Wiring{options.lines, options.inverted, !options.sequence.empty()};
}

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

bool sameWiring(const Wiring& a, const Wiring& b)
{
    return a.lines == b.lines && a.inverted == b.inverted && a.sequence == b.sequence;
}

uint32_t wholeBaud(double rate)
{
    const double rounded = static_cast<double>(common::truncated(common::Extended(rate) + common::Extended(1) / 2));
    return rounded >= 1 && rounded <= maxLineRate ? static_cast<uint32_t>(rounded) : 0;
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
    if (wiringGiven(probe.setup.options)) {
        return givenWiring(probe.setup.options);
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


std::optional<int> linesAfterProbe(const Probe& probe)
{
    return !wiringFound(probe) && resetsMade(probe) > 0 ? std::optional<int>(plainRestLines) : std::nullopt;
}

std::optional<calculator::IncludeFacts> probeInclude(const std::string& path, const std::string& text,
                                                     std::string& warning)
{
    calculator::IncludeFacts facts{};
    std::string why;
    if (calculator::readIncludeFile(text, facts, why)) {
        warning.clear();
        return facts;
    }
    warning = path + " is not a korvane.inc that mardeluk wrote (" + why + "): ignored";
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
    if (const TryRecord* found = firstFound(probe)) {
        if (probe.tries.back().attempt.phase == ProbePhase::Confirm) {
            return std::nullopt;
        }
        return ProbeTry{ProbePhase::Confirm, found->attempt.wiring, found->attempt.rate};
    }
    const std::optional<Wiring> wiring = wiringFound(probe);
    if (!wiring) {
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

// One try's reset on the port, and what comes from its release into `result`.
PulseReport runTry(ModemLineDriver& modemLines, ReceiveLineDriver& line, const Options& options, TryResult& result)
{
    const int discardError = line.discardInput();
    PulseReport report = discardError != 0
                             ? driverFailure(discardError, "discarding old input")
                             : runSerial(modemLines, serialPlan(options), [&line] { return line.discardInput(); });
    if (report.outcome == PulseOutcome::Done) {
        const AnswerRead read = readAnswer(line, options.answer, true, [&result](const std::string& bytes) {
            result.byteCount += bytes.size();
            result.bytes += bytes.substr(0, maxKeptBytes - std::min(maxKeptBytes, result.bytes.size()));
            return true;
        });
        result.found = read.found;
        report = PulseReport{read.report.outcome, read.report.detail, read.report.step, report.hangupCleared};
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
