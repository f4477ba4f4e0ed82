#include "reset/probe_verdict.h"

#include <algorithm>
#include <map>

#include <nlohmann/json.hpp>

#include "calculator/number_text.h"
#include "common/exit_status.h"
#include "common/extended.h"
#include "reset/fields.h"
#include "reset/messages.h"
#include "reset/received_text.h"
#include "survey/link_survey.h"

namespace reset {

namespace {

using common::Extended;

std::string article(const Wiring& wiring)
{
    return wiring.lines == PulseLines::Rts ? "an " : "a ";
}

std::string baudWords(uint32_t rate)
{
    return std::to_string(rate) + " Baud";
}

std::string bytesWords(size_t count)
{
    return std::to_string(count) + (count == 1 ? " byte" : " bytes");
}

std::string ratesText(const std::vector<uint32_t>& rates)
{
    std::string text;
    for (const uint32_t rate : rates) {
        text += (text.empty() ? "" : ", ") + std::to_string(rate);
    }
    return text + " Baud";
}

// Milliseconds as seconds, as --timeout takes them: "0.8", "1.5", "2".
std::string secondsText(uint32_t milliseconds)
{
    std::string fraction = std::to_string(1000 + milliseconds % 1000).substr(1);
    fraction.erase(fraction.find_last_not_of('0') + 1);
    return std::to_string(milliseconds / 1000) + (fraction.empty() ? "" : "." + fraction);
}

// A wait that finds a text that came `lateAfter` ms after the release: half
// as long again, in whole half seconds, and longer than the one it replaces.
uint32_t waitFor(uint32_t lateAfter, uint32_t wait)
{
    const uint32_t halves = (lateAfter * 3 / 2 + 499) / 500;
    return std::max(halves * 500, (wait / 500 + 1) * 500);
}

// The line of the answer that holds the text, escaped as --expect shows it.
std::string lineWithText(const std::string& bytes, const std::string& text)
{
    ReceivedText shown;
    const std::string escaped = shown.escaped(bytes);
    const size_t at = escaped.find(ReceivedText{}.escaped(text));
    const size_t start = at == std::string::npos ? 0 : escaped.rfind('\n', at);
    const size_t from = start == std::string::npos || at == std::string::npos ? 0 : start + 1;
    const size_t end = escaped.find('\n', at == std::string::npos ? 0 : at);
    return escaped.substr(from, end == std::string::npos ? std::string::npos : end - from);
}

// --line, --invert or --sequence for a wiring.
std::string wiringOptions(const Wiring& wiring, const Options& options)
{
    if (wiring.sequence) {
        return " " + shellWord("--sequence=" + options.sequenceText);
    }
    return (wiring.lines != PulseLines::Dtr ? std::string(" --line=") + lineWord(wiring.lines) : "") +
           (wiring.inverted ? " --invert" : "");
}

// PORT as typed and WIDTH where it was given.
std::string portWords(const Options& options, const std::string& port)
{
    return " " + shellWord(port) +
           (options.sequence.empty() && options.pulseWidth != Options{}.pulseWidth
                ? " " + std::to_string(options.pulseWidth)
                : "");
}

std::string againCommand(const Probe& probe, const Wiring& wiring, uint32_t rate, const std::string& port)
{
    const Options& options = probe.setup.options;
    return std::string(programName) + " " + shellWord("--expect=" + options.answer.text) +
           " --baud=" + std::to_string(rate) + wiringOptions(wiring, options) +
           (options.timeoutGiven ? " " + shellWord("--timeout=" + options.timeoutText) : "") +
           portWords(options, port);
}

// The probe as it was asked for, with a wait of `wait` ms.
std::string probeCommand(const Probe& probe, uint32_t wait, const std::string& port)
{
    const Options& options = probe.setup.options;
    std::string command = std::string(programName) + " --probe " + shellWord("--expect=" + options.answer.text);
    command += options.includePath.empty() ? "" : " " + shellWord("--inc=" + options.includePath);
    if (!options.rates.empty()) {
        std::string rates;
        for (const uint32_t rate : options.rates) {
            rates += (rates.empty() ? "" : ",") + std::to_string(rate);
        }
        command += " --baud=" + rates;
    }
    const std::optional<Wiring> given = givenWiring(options);
    command += given ? wiringOptions(*given, options) : "";
    return command + " --timeout=" + secondsText(wait) + portWords(options, port);
}

// What came most often in the tries without the text, escaped, and how often.
std::pair<std::string, int> commonestAnswer(const Probe& probe)
{
    std::map<std::string, int> counts;
    std::pair<std::string, int> commonest{"", 0};
    for (const TryRecord& record : probe.tries) {
        if (record.result.byteCount > 0 && !record.result.found) {
            const int count = ++counts[record.result.bytes];
            if (count > commonest.second) {
                commonest = {record.result.bytes, count};
            }
        }
    }
    return commonest;
}

// The rate of the command that does it again: a standard rate that fits,
// else the middle of the board's rates; where the driver could not find the
// edges, the rate asked at which the text came.
uint32_t rateToUse(const ProbeWindow& window, bool coarse, uint32_t decoded)
{
    const Extended middle = rangeMiddle(window.boardRates);
    if (!window.standardRates.empty()) {
        return wholeBaud(*std::min_element(window.standardRates.begin(), window.standardRates.end(), [middle](double a, double b) {
            return common::magnitudeOf(Extended(a) - middle) < common::magnitudeOf(Extended(b) - middle);
        }));
    }
    return coarse ? decoded : wholeBaud(static_cast<double>(middle));
}

std::string windowWords(const ProbeWindow& window)
{
    const RateWindow edges = windowOf(window.samples);
    const uint32_t low = wholeBaud(edges.low);
    const uint32_t high = wholeBaud(edges.high);
    std::string words = low == high ? "the text decodes at " + baudWords(low)
                                    : "the text decodes from " + std::to_string(low) + " to " + baudWords(high);
    std::vector<std::string> garbled;
    for (const double rate : {edges.below, edges.above}) {
        if (rate > 0) {
            garbled.push_back(std::to_string(wholeBaud(rate)));
        }
    }
    if (!garbled.empty()) {
        words += ", not at " + garbled.front() + (garbled.size() > 1 ? " or " + garbled.back() : "") + " Baud";
    }
    return words + ": the board sends at " + std::to_string(wholeBaud(window.boardRates.low)) + " to " +
           baudWords(wholeBaud(window.boardRates.high));
}

// What the board's rate says against korvane.inc: the crystals that fit,
// or the rate the loader may have been built for; nothing where the file's
// own clock alone explains it.
std::vector<std::string> fileLines(const ProbeVerdict& verdict, const calculator::IncludeFacts& file)
{
    const std::vector<double>& crystals = verdict.window.crystals;
    const bool fileFits = rateFits(verdict.window.boardRates, file.settings.resultingBaud);
    const uint32_t nominal = wholeBaud(file.nominal);
    const std::string otherRate =
        verdict.otherStandardRate ? "the loader on the board may have been built for " +
                                        baudWords(*verdict.otherStandardRate) + ", not korvane.inc's " + baudWords(nominal)
                                  : "";
    if (crystals.empty()) {
        return fileFits ? std::vector<std::string>{}
                        : std::vector<std::string>{
                              "no standard crystal makes " + baudWords(verdict.rate) + " with korvane.inc's settings: " +
                              (verdict.otherStandardRate ? otherRate
                                                         : "the loader on the board was built for another rate than "
                                                           "korvane.inc's " + baudWords(nominal))};
    }
    if (crystals.size() == 1 && crystals.front() == file.clock) {
        return {};
    }
    std::string names;
    std::string list;
    for (const double crystal : crystals) {
        names += (names.empty() ? "" : " or ") + calculator::megahertzText(crystal);
        list += (list.empty() ? "" : ",") + calculator::megahertzText(crystal);
    }
    std::vector<std::string> lines = {
        "the board's clock is probably " + names + " MHz; korvane.inc was written for " +
            calculator::megahertzText(file.clock) + " MHz",
        "next: korvane-baud --clock " + list + " --rate " + std::to_string(nominal),
    };
    if (verdict.otherStandardRate) {
        lines.push_back("or " + otherRate);
    }
    return lines;
}

}  // namespace

std::string wiringWords(const Wiring& wiring, const Options& options)
{
    if (wiring.sequence) {
        return "the sequence " + options.sequenceText;
    }
    const char* const names[] = {"DTR", "RTS", "DTR and RTS"};
    return article(wiring) + names[static_cast<int>(wiring.lines)] + " pulse" + (wiring.inverted ? ", inverted" : "");
}

std::string tryLine(const Probe& probe, const TryRecord& record)
{
    const ProbeTry& attempt = record.attempt;
    const TryResult& result = record.result;
    if (result.refused) {
        return "skipped " + baudWords(attempt.rate) + ": the port's driver " +
               (result.keptRate != 0 ? "keeps " + baudWords(result.keptRate) : "does not take it");
    }
    std::string what = result.found            ? "the text"
                       : result.byteCount == 0 ? "nothing"
                                               : bytesWords(result.byteCount) + " without the text";
    if (result.pulseBytes > 0) {
        what += ", " + bytesWords(result.pulseBytes) + " during the pulse";
    }
    if (result.lateText) {
        what += ", then the text, late: " + secondsText(result.textAfter) + " s after the release";
    } else if (result.laterBytes > 0) {
        what += ", then " + bytesWords(result.laterBytes) + " later";
    }
    const char* const phases[] = {"", "", " (the window's edge)", " (again, to confirm)"};
    return "try: " + baudWords(attempt.rate) + ", " + wiringWords(attempt.wiring, probe.setup.options) + ": " + what +
           phases[static_cast<int>(attempt.phase)];
}

ProbeVerdict judgeProbe(const Probe& probe, const std::string& port)
{
    ProbeVerdict verdict{ProbeFinding::Silent, false, {}, 0, ProbeWindow{}, false, "", "", "",
                         std::nullopt, std::nullopt, 0, {}, "", 0, {}};
    const std::optional<Wiring> wiring = wiringFound(probe);
    verdict.wiringKnown = wiring.has_value();
    verdict.wiring = wiring.value_or(Wiring{});
    for (const TryRecord& record : probe.tries) {
        if (!record.result.refused && (!wiring || sameWiring(record.attempt.wiring, *wiring))) {
            addDistinctRate(verdict.ratesTried, record.attempt.rate);
        }
        if (record.result.pulseBytes > verdict.pulseBytes) {
            verdict.pulseBytes = record.result.pulseBytes;
            verdict.pulseWiring = record.attempt.wiring;
        }
    }
    const std::optional<calculator::IncludeFacts>& file = probe.setup.include;
    if (file) {
        verdict.incClock = file->clock;
    }
    const uint32_t wait = probe.setup.options.answer.milliseconds;
    if (const TryRecord* late = lateTry(probe)) {
        verdict.finding = ProbeFinding::Late;
        verdict.wiring = late->attempt.wiring;
        verdict.wiringKnown = true;
        verdict.rate = late->attempt.rate;
        verdict.lateAfter = late->result.textAfter;
        verdict.next = probeCommand(probe, waitFor(verdict.lateAfter, wait), port);
        return verdict;
    }
    const TryRecord* found = firstFound(probe);
    if (found == nullptr) {
        const bool anyBytes = std::any_of(probe.tries.begin(), probe.tries.end(),
                                          [](const TryRecord& record) { return record.result.byteCount > 0; });
        verdict.finding = anyBytes ? ProbeFinding::Restarts : ProbeFinding::Silent;
        verdict.commonest = ReceivedText{}.escaped(commonestAnswer(probe).first);
        return verdict;
    }
    verdict.wiring = found->attempt.wiring;
    verdict.wiringKnown = true;
    verdict.shownLine = lineWithText(found->result.bytes, probe.setup.options.answer.text);
    if (restartMissed(probe)) {
        verdict.finding = ProbeFinding::Unconfirmed;
        verdict.rate = found->attempt.rate;
        verdict.command = againCommand(probe, verdict.wiring, verdict.rate, port);
        // The text may be the late answer to the reset before this one.
        const TryRecord* before = found;
        while (before != probe.tries.data() && (--before)->result.refused) {
        }
        if (before != found && !before->result.refused) {
            verdict.lateAfter = static_cast<uint32_t>(found->result.releasedAt - before->result.releasedAt) +
                                found->result.textAfter;
            verdict.next = probeCommand(probe, waitFor(verdict.lateAfter, wait), port);
        }
        return verdict;
    }
    verdict.finding = ProbeFinding::Found;
    verdict.window = probeWindow(probe);
    verdict.coarse = verdict.window.search.step == WindowStep::DriverLimit;
    verdict.rate = rateToUse(verdict.window, verdict.coarse, found->attempt.rate);
    verdict.command = againCommand(probe, verdict.wiring, verdict.rate, port);
    for (const double rate : file ? verdict.window.standardRates : std::vector<double>{}) {
        if (wholeBaud(rate) != wholeBaud(file->nominal)) {
            verdict.otherStandardRate = wholeBaud(rate);
        }
    }
    return verdict;
}

std::vector<std::string> verdictLines(const ProbeVerdict& verdict, const Probe& probe)
{
    const Options& options = probe.setup.options;
    const std::string wiring = wiringWords(verdict.wiring, options);
    const std::string text = shellWord(options.answer.text);
    switch (verdict.finding) {
    case ProbeFinding::Found: {
        std::vector<std::string> lines = {
            "found: the board answers at " + baudWords(verdict.rate) + " after " + wiring,
            "window: " + windowWords(verdict.window),
        };
        if (verdict.coarse) {
            const survey::Adapter maker = probe.setup.rateMaker;
            lines.push_back("the port's driver makes no rate nearer the window's edges" +
                            (maker != survey::Adapter::Exact
                                 ? " (" + std::string(survey::adapterEntry(maker).description) + ")"
                                 : std::string()));
        }
        lines.push_back("answer: " + verdict.shownLine);
        lines.push_back("again: " + verdict.command);
        if (probe.setup.include) {
            const std::vector<std::string> more = fileLines(verdict, *probe.setup.include);
            lines.insert(lines.end(), more.begin(), more.end());
        }
        return lines;
    }
    case ProbeFinding::Unconfirmed: {
        std::vector<std::string> lines = {
            "not found: " + text + " came at " + baudWords(verdict.rate) + " after " + wiring +
                ", but not again on the next reset",
            "check: the board's power and the reset circuit, then: " + verdict.command,
        };
        if (!verdict.next.empty()) {
            lines.push_back("or it came late, " + secondsText(verdict.lateAfter) +
                            " s after the reset before; the probe with a longer wait: " + verdict.next);
        }
        return lines;
    }
    case ProbeFinding::Late:
        return {
            "not found in time: " + text + " came " + secondsText(verdict.lateAfter) + " s after the release of " +
                wiring + " at " + baudWords(verdict.rate) + ", later than the wait of " +
                secondsText(options.answer.milliseconds) + " s",
            "next: " + verdict.next,
        };
    case ProbeFinding::Restarts:
        return {
            "not found: the board restarts after " + wiring + " (bytes came), but never sent " + text,
            "rates tried: " + ratesText(verdict.ratesTried),
            "came most often: " + verdict.commonest,
            "check: the text that the loader sends, and the rate it was built for (korvane.inc)",
        };
    case ProbeFinding::Silent:
        break;
    }
    const size_t resets = resetsMade(probe);
    std::vector<std::string> lines = {"not found: no byte came after " +
                                      (resets == 1 ? std::string("the reset") : "any of " + std::to_string(resets) + " resets")};
    if (verdict.pulseBytes > 0) {
        lines.push_back("but " + bytesWords(verdict.pulseBytes) + " came while " +
                        wiringWords(verdict.pulseWiring, options) + " held the line");
    }
    lines.push_back(
        "check: the board's power, TX and RX crossed between the adapter and the board, and a common ground");
    return lines;
}

std::string verdictJson(const ProbeVerdict& verdict, const Probe& probe)
{
    using nlohmann::json;
    const auto megahertz = [](double hertz) { return static_cast<double>(Extended(hertz) / 1000000); };
    const auto lineOf = [](const Wiring& wiring) { return wiring.sequence ? json() : json(lineWord(wiring.lines)); };
    const auto rateOrNull = [](double rate) { return rate > 0 ? json(wholeBaud(rate)) : json(); };
    const bool answered = verdict.finding == ProbeFinding::Found;
    json tries = json::array();
    for (const TryRecord& record : probe.tries) {
        tries.push_back({{"line", lineOf(record.attempt.wiring)},
                         {"invert", record.attempt.wiring.inverted},
                         {"rate", record.attempt.rate},
                         {"bytes", record.result.byteCount},
                         {"found", record.result.found},
                         {"during_pulse", record.result.pulseBytes},
                         {"later", record.result.laterBytes},
                         {"late", record.result.lateText}});
        if (record.result.refused) {
            tries.back()["refused"] = record.result.keptRate;
        }
    }
    const RateWindow edges = windowOf(verdict.window.samples);
    json crystals = json::array();
    for (const double crystal : answered ? verdict.window.crystals : std::vector<double>{}) {
        crystals.push_back(megahertz(crystal));
    }
    const bool named = crystals.size() == 1 && verdict.incClock && megahertz(*verdict.incClock) != crystals[0];
    json out = {
        {"found", answered},
        {"rate", answered ? json(verdict.rate) : json()},
        {"line", verdict.wiringKnown ? lineOf(verdict.wiring) : json()},
        {"invert", verdict.wiringKnown && verdict.wiring.inverted},
        {"text", answered ? json(verdict.shownLine) : json()},
        {"command", answered ? json(verdict.command) : json()},
        {"window", answered ? json{wholeBaud(edges.low), wholeBaud(edges.high)} : json()},
        {"not_at", answered ? json{rateOrNull(edges.below), rateOrNull(edges.above)} : json()},
        {"board_rates", answered ? json{wholeBaud(verdict.window.boardRates.low), wholeBaud(verdict.window.boardRates.high)}
                                 : json()},
        {"coarse", verdict.coarse},
        {"crystals_mhz", crystals},
        {"crystal_mhz", named ? crystals[0] : json()},
        {"inc_clock_mhz", verdict.incClock ? json(megahertz(*verdict.incClock)) : json()},
        {"late_ms", verdict.lateAfter > 0 ? json(verdict.lateAfter) : json()},
        {"next", verdict.next.empty() ? json() : json(verdict.next)},
        {"tries", tries},
    };
    if (verdict.wiring.sequence) {
        out["sequence"] = probe.setup.options.sequenceText;
    }
    // Bytes from the board are escaped before they are shown; dump() would
    // still refuse invalid UTF-8, so it replaces instead.
    return out.dump(-1, ' ', false, json::error_handler_t::replace);
}

int verdictStatus(const ProbeVerdict& verdict)
{
    return verdict.finding == ProbeFinding::Found ? common::exitSuccess : common::exitNoAnswer;
}

}  // namespace reset
