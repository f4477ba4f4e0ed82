#include "reset/probe_verdict.h"

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

// A crystal explains a rate within this fraction; a rate this far from
// korvane.inc's own is not the file's.
constexpr double crystalMatch = 0.005;
constexpr double rateMismatch = 0.01;

std::string article(const Wiring& wiring)
{
    return wiring.lines == PulseLines::Dtr ? "a " : "an ";
}

std::string baudWords(uint32_t rate)
{
    return std::to_string(rate) + " Baud";
}

std::string ratesText(const std::vector<uint32_t>& rates)
{
    std::string text;
    for (const uint32_t rate : rates) {
        text += (text.empty() ? "" : ", ") + std::to_string(rate);
    }
    return text + " Baud";
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

std::string againCommand(const Probe& probe, const Wiring& wiring, uint32_t rate, const std::string& port)
{
    const Options& options = probe.setup.options;
    std::string command = std::string(programName) + " " + shellWord("--expect=" + options.answer.text) +
                          " --baud=" + std::to_string(rate);
    if (wiring.sequence) {
        command += " " + shellWord("--sequence=" + options.sequenceText);
    } else {
        command += wiring.lines != PulseLines::Dtr ? std::string(" --line=") + lineWord(wiring.lines) : "";
        command += wiring.inverted ? " --invert" : "";
    }
    if (options.timeoutGiven) {
        command += " " + shellWord("--timeout=" + options.timeoutText);
    }
    command += " " + shellWord(port);
    if (!wiring.sequence && options.pulseWidth != Options{}.pulseWidth) {
        command += " " + std::to_string(options.pulseWidth);
    }
    return command;
}

// The standard crystal at which korvane.inc's settings make `rate`, the
// nearest within crystalMatch.
std::optional<double> crystalFor(const calculator::IncludeFacts& file, uint32_t rate)
{
    std::optional<double> best;
    common::Extended bestError = crystalMatch;
    for (const double crystal : survey::standardCrystals()) {
        const common::Extended error = common::magnitudeOf(common::Extended(calculator::generatedRate(file.generator, file.settings, crystal)) - rate) / rate;
        if (error <= bestError) {
            best = crystal;
            bestError = error;
        }
    }
    return best;
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
    const std::string what = result.found        ? "the text"
                             : result.byteCount == 0 ? "nothing"
                                                     : std::to_string(result.byteCount) +
                                                           (result.byteCount == 1 ? " byte" : " bytes") + " without the text";
    const char* const phases[] = {"", "", " (again, to confirm)"};
    return "try: " + baudWords(attempt.rate) + ", " + wiringWords(attempt.wiring, probe.setup.options) + ": " + what +
           phases[static_cast<int>(attempt.phase)];
}

ProbeVerdict judgeProbe(const Probe& probe, const std::string& port)
{
    ProbeVerdict verdict{ProbeFinding::Silent, false, {}, 0, "", "", std::nullopt, std::nullopt, false, {}, ""};
    const std::optional<Wiring> wiring = wiringFound(probe);
    verdict.wiringKnown = wiring.has_value();
    verdict.wiring = wiring.value_or(Wiring{});
    for (const TryRecord& record : probe.tries) {
        if (!record.result.refused && (!wiring || sameWiring(record.attempt.wiring, *wiring))) {
            addDistinctRate(verdict.ratesTried, record.attempt.rate);
        }
    }
    const std::optional<calculator::IncludeFacts>& file = probe.setup.include;
    if (file) {
        verdict.incClock = file->clock;
    }
    const TryRecord* found = firstFound(probe);
    const bool anyBytes = std::any_of(probe.tries.begin(), probe.tries.end(),
                                      [](const TryRecord& record) { return record.result.byteCount > 0; });
    if (found == nullptr) {
        verdict.finding = anyBytes ? ProbeFinding::Restarts : ProbeFinding::Silent;
        verdict.commonest = ReceivedText{}.escaped(commonestAnswer(probe).first);
        return verdict;
    }
    verdict.wiring = found->attempt.wiring;
    verdict.wiringKnown = true;
    verdict.rate = found->attempt.rate;
    verdict.shownLine = lineWithText(found->result.bytes, probe.setup.options.answer.text);
    const TryRecord& last = probe.tries.back();
    verdict.finding = last.attempt.phase == ProbePhase::Confirm && last.result.found ? ProbeFinding::Found
                                                                                     : ProbeFinding::Unconfirmed;
    verdict.command = againCommand(probe, verdict.wiring, verdict.rate, port);
    const common::Extended fileRate = file ? common::Extended(file->settings.resultingBaud) : common::Extended(0);
    if (file && common::magnitudeOf(fileRate - verdict.rate) / fileRate > common::Extended(rateMismatch)) {
        verdict.crystal = crystalFor(*file, verdict.rate);
        verdict.otherRate = !verdict.crystal;
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
            "answer: " + verdict.shownLine,
            "again: " + verdict.command,
        };
        const calculator::IncludeFacts* file = probe.setup.include ? &*probe.setup.include : nullptr;
        if (verdict.crystal && file != nullptr) {
            lines.push_back("the board's clock is probably " + calculator::megahertzText(*verdict.crystal) +
                            " MHz; korvane.inc was written for " + calculator::megahertzText(file->clock) + " MHz");
            lines.push_back("next: korvane-baud --clock " + calculator::megahertzText(*verdict.crystal) + " --rate " +
                            std::to_string(wholeBaud(file->nominal)));
        } else if (verdict.otherRate && file != nullptr) {
            lines.push_back("no standard crystal makes " + baudWords(verdict.rate) +
                            " with korvane.inc's settings: the loader on the board was built for another rate than "
                            "korvane.inc's " + baudWords(wholeBaud(file->nominal)));
        }
        return lines;
    }
    case ProbeFinding::Unconfirmed:
        return {
            "not found: " + text + " came at " + baudWords(verdict.rate) + " after " + wiring +
                ", but not again on the next reset",
            "check: the board's power and the reset circuit, then: " + verdict.command,
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
    return {
        "not found: no byte came after any of " + std::to_string(resetsMade(probe)) + " resets",
        "check: the board's power, TX and RX crossed between the adapter and the board, and a common ground",
    };
}

std::string verdictJson(const ProbeVerdict& verdict, const Probe& probe)
{
    const auto megahertz = [](const std::optional<double>& hertz) {
        return hertz ? nlohmann::json(static_cast<double>(common::Extended(*hertz) / 1000000)) : nlohmann::json();
    };
    const auto lineOf = [](const Wiring& wiring) {
        return wiring.sequence ? nlohmann::json() : nlohmann::json(lineWord(wiring.lines));
    };
    const bool answered = verdict.finding == ProbeFinding::Found;
    nlohmann::json tries = nlohmann::json::array();
    for (const TryRecord& record : probe.tries) {
        tries.push_back({{"line", lineOf(record.attempt.wiring)},
                         {"invert", record.attempt.wiring.inverted},
                         {"rate", record.attempt.rate},
                         {"bytes", record.result.byteCount},
                         {"found", record.result.found}});
        if (record.result.refused) {
            tries.back()["refused"] = record.result.keptRate;
        }
    }
    nlohmann::json out = {
        {"found", answered},
        {"rate", answered ? nlohmann::json(verdict.rate) : nlohmann::json()},
        {"line", verdict.wiringKnown ? lineOf(verdict.wiring) : nlohmann::json()},
        {"invert", verdict.wiringKnown && verdict.wiring.inverted},
        {"text", answered ? nlohmann::json(verdict.shownLine) : nlohmann::json()},
        {"command", answered ? nlohmann::json(verdict.command) : nlohmann::json()},
        {"crystal_mhz", megahertz(verdict.crystal)},
        {"inc_clock_mhz", megahertz(verdict.incClock)},
        {"tries", tries},
    };
    if (verdict.wiring.sequence) {
        out["sequence"] = probe.setup.options.sequenceText;
    }
    // Bytes from the board are escaped before they are shown; dump() would
    // still refuse invalid UTF-8, so it replaces instead.
    return out.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

int verdictStatus(const ProbeVerdict& verdict)
{
    return verdict.finding == ProbeFinding::Found ? common::exitSuccess : common::exitNoAnswer;
}

}  // namespace reset
