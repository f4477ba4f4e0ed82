// The functions that the web page calls: mardeluk's run, korvane-baud's
// answer and korvane-reset's plan for the texts the user typed, from the same
// core as the programs.
// Each call keeps its texts until the next one; the page reads them at once.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "calculator/run_plan.h"
#include "common/command_line_frame.h"
#include "common/exit_status.h"
#include "common/texts.h"
#include "reset/fields.h"
#include "reset/listing.h"
#include "reset/plan.h"
#include "reset/probe_verdict.h"
#include "reset/received_text.h"
#include "survey/answer.h"
#include "survey/link_survey.h"
#include "survey/request_text.h"
#include "survey/survey_json.h"

namespace {

std::string report;
std::string includeFile;
bool writesFile = false;
std::string baudOut;
std::string baudErr;
std::string resetOut;
reset::ReceivedText received;
reset::TextWatch watch;
std::string receivedOut;
std::string noAnswerOut;
reset::Probe probe;
std::optional<reset::ProbeTry> probeTry;

// A time in ms from the page, whole; 0 for one that is no finite number.
int64_t wholeMilliseconds(double milliseconds)
{
    return std::isfinite(milliseconds) && std::fabs(milliseconds) < 1e15 ? static_cast<int64_t>(milliseconds) : 0;
}

// `count` texts separated by line feeds: no text field holds one.
std::vector<std::string> splitTexts(const char* joined, int count)
{
    std::vector<std::string> texts;
    const std::string all = joined;
    size_t start = 0;
    for (int i = 0; i < count; ++i) {
        const size_t end = all.find('\n', start);
        texts.push_back(all.substr(start, end == std::string::npos ? std::string::npos : end - start));
        start = end == std::string::npos ? all.size() : end + 1;
    }
    return texts;
}

std::string joinedLines(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines) {
        text += line + "\n";
    }
    return text;
}

// A reset's steps for the page: {"lines", "levels"} or {"wait"}, in ms.
nlohmann::json stepsJson(const reset::SerialPlan& plan)
{
    nlohmann::json steps = nlohmann::json::array();
    for (const reset::SequenceStep& step : plan.steps) {
        steps.push_back(step.kind == reset::StepKind::Wait ? nlohmann::json{{"wait", step.milliseconds}}
                                                           : nlohmann::json{{"lines", step.lines}, {"levels", step.levels}});
    }
    return steps;
}

reset::Fields fieldsOf(const char* fields, int count)
{
    const std::vector<std::string> texts = splitTexts(fields, count);
    const auto text = [&texts](size_t index) { return index < texts.size() ? texts[index] : std::string(); };
    return reset::Fields{text(0), text(1), text(2) == "1", text(3), text(4), text(5), text(6), text(7)};
}

// The probe's next try into `out`, or its verdict when it is over.
void putNextTry(nlohmann::json& out)
{
    probeTry = reset::nextTry(probe);
    if (!probeTry) {
        const reset::ProbeVerdict verdict = reset::judgeProbe(probe, "PORT");
        out["verdict"] = nlohmann::json::parse(reset::verdictJson(verdict, probe), nullptr, false);
        out["lines"] = reset::verdictLines(verdict, probe);
        out["status"] = reset::verdictStatus(verdict);
        const std::optional<int> rest = reset::linesAfterProbe(probe);
        out["restLines"] = rest ? nlohmann::json(*rest) : nlohmann::json();
        return;
    }
    const char* const phases[] = {"wiring", "rate", "window", "confirm"};
    const reset::SerialPlan plan = reset::serialPlan(reset::tryOptions(probe, *probeTry));
    out["try"] = {{"phase", phases[static_cast<int>(probeTry->phase)]},
                  {"line", reset::lineWord(probeTry->wiring.lines)},
                  {"invert", probeTry->wiring.inverted},
                  {"rate", probeTry->rate},
                  {"steps", stepsJson(plan)},
                  {"release", plan.releaseAfter},
                  {"timeout", probe.setup.options.answer.milliseconds}};
}

}  // namespace

extern "C" {

// mardeluk with `count` parameters; returns its exit status when the file,
// if any, was written. Standard output is then korvaneReport().
int korvaneMardeluk(const char* parameters, int count)
{
    std::vector<std::string> texts = splitTexts(parameters, count);
    for (std::string& text : texts) {
        text = common::cutText(text);
    }
    const calculator::RunPlan plan = calculator::planRun(texts);
    report = joinedLines(plan.linesBeforeFile) + joinedLines(plan.linesAfterFile);
    writesFile = plan.writesFile;
    includeFile = plan.fileText;
    return plan.exitStatus;
}

const char* korvaneReport()
{
    return report.c_str();
}

int korvaneWritesFile()
{
    return writesFile ? 1 : 0;
}

const char* korvaneIncludeFile()
{
    return includeFile.c_str();
}

// korvane-baud's answer for the explorer's six texts, each as its option
// would take it, an empty text for an option not given: clocks, rates,
// generators, accuracy, adapter and the form: "text" or "json" as
// korvane-baud prints them, or "cells", the texts of the table's cells
// (surveyCellsJson). Returns the exit status; the output and the error line
// are then korvaneBaudOut() and korvaneBaudErr(), in korvane-baud's words.
int korvaneSurvey(const char* fields, int count)
{
    const std::vector<std::string> texts = splitTexts(fields, count);
    survey::SurveyRequest request;
    std::string error;
    const auto keep = [&error](const std::string& why) {
        if (error.empty()) {
            error = why;
        }
    };
    const auto given = [&texts](size_t index) { return index < texts.size() && !texts[index].empty(); };
    if (given(0)) {
        keep(survey::readClocks(texts[0], request));
    }
    if (given(1)) {
        keep(survey::readRates(texts[1], request));
    }
    if (given(2)) {
        keep(survey::readGenerators(texts[2], request));
    }
    if (given(3)) {
        keep(survey::readAccuracy(texts[3], request));
    }
    if (given(4)) {
        keep(survey::readAdapter(texts[4], request));
    }
    if (error.empty()) {
        keep(survey::completeRequest(given(0), given(1), request));
    }
    baudOut.clear();
    baudErr.clear();
    if (!error.empty()) {
        const char* program = "korvane-baud";
        baudErr = common::programErrorLine(program, common::usageErrorText(program, error)) + "\n";
        return common::exitFailure;
    }
    const std::string form = given(5) ? texts[5] : "text";
    if (form == "cells") {
        const survey::Survey answered = survey::runSurvey(request);
        baudOut = survey::surveyCellsJson(answered);
        return survey::surveyExitStatus(answered);
    }
    const survey::Answer answer = survey::answerSurvey(request, form == "json");
    baudOut = joinedLines(answer.lines);
    return answer.exitStatus;
}

const char* korvaneBaudOut()
{
    return baudOut.c_str();
}

const char* korvaneBaudErr()
{
    return baudErr.c_str();
}

// The reset section's eight fields (line, width, invert "1" or "", sequence,
// expect, the rate, timeout, tries), read as korvane-reset reads the
// command line that they stand for. Returns 0 when they are sound;
// korvaneResetOut() is then one JSON object: the command, and either the
// error or the plan: the steps ({"lines", "levels"} or {"wait"}, in ms),
// the step after which the answer counts, the rate, the wait in ms and as
// typed, the tries and the text to wait for ("" for none).
int korvaneReset(const char* fields, int count)
{
    const reset::FieldsRead read = reset::readFields(fieldsOf(fields, count));
    nlohmann::json out = {{"command", read.command}};
    if (!read.errorText.empty()) {
        out["error"] = read.errorText;
        resetOut = out.dump();
        return 1;
    }
    const reset::SerialPlan plan = reset::serialPlan(read.options);
    const reset::Options& options = read.options;
    out.update({{"steps", stepsJson(plan)}, {"release", plan.releaseAfter}, {"rate", read.rate},
                {"timeout", options.answer.milliseconds}, {"timeoutText", options.timeoutText},
                {"tries", options.answer.tries}, {"expect", options.expect ? options.answer.text : ""}});
    resetOut = out.dump();
    return 0;
}

const char* korvaneResetOut()
{
    return resetOut.c_str();
}

// The probe for the reset section's eight fields (as korvaneReset takes
// them; the rate a list or empty, the timeout at "2" the probe's default),
// the calculator's korvane.inc ("" for none) and the port's USB vendor
// (four hex digits, "" for none), which tells how its driver makes rates.
// Returns 1 with korvaneResetOut() = {"command", "error"}; else 0 with the
// command and the first try: {"phase", "line", "invert", "rate", "steps",
// "release", "timeout"} (the port reopened at the rate, the steps run, what
// comes during the pulse counted, what comes from the release step read
// until korvaneListenUntil and recorded by korvaneProbeRecord), or the
// verdict where there is nothing to try.
int korvaneProbeStart(const char* fields, int count, const char* includeText, const char* usbVendor)
{
    reset::Fields read = fieldsOf(fields, count);
    read.probe = true;
    const reset::FieldsRead options = reset::readFields(read);
    nlohmann::json out = {{"command", options.command}};
    if (!options.errorText.empty()) {
        out["error"] = options.errorText;
        resetOut = out.dump();
        return 1;
    }
    std::string warning;
    const std::string text = includeText;
    probe = reset::startProbe(reset::ProbeSetup{
        options.options, text.empty() ? std::nullopt : reset::probeInclude("korvane.inc", text, false, warning),
        reset::rateMakerOf(usbVendor, false)});
    if (!warning.empty()) {
        out["warning"] = warning;
    }
    putNextTry(out);
    resetOut = out.dump();
    return 0;
}

// What the current try heard: `length` bytes, in the pieces that
// `pieces` gives as [[ms after the release, length], ...], `pulseBytes`
// more that came during the pulse, and the release's time in ms; or, with
// `keptRate` not 0, a port that did not open at the try's rate (-1 when
// the browser gave no rate of its own), which is skipped without a reset.
// korvaneResetOut() is then {"tryLine"} and the next try or the verdict
// ({"verdict": the JSON of --probe --json, "lines", "status", and
// "restLines", DTR and RTS to set as the probe ends, or null}).
int korvaneProbeRecord(const uint8_t* bytes, int length, const char* pieces, int pulseBytes, double releasedAt,
                       int keptRate)
{
    if (!probeTry) {
        return 1;
    }
    reset::TryResult result;
    if (keptRate != 0) {
        result.refused = true;
        result.keptRate = keptRate > 0 ? static_cast<uint32_t>(keptRate) : 0;
    } else {
        std::vector<reset::HeardPiece> heard;
        size_t at = 0;
        const nlohmann::json times = nlohmann::json::parse(pieces, nullptr, false);
        for (const nlohmann::json& piece : times.is_array() ? times : nlohmann::json::array()) {
            // A piece that gives no length ends the list: the bytes after it have no time.
            if (!piece.is_array() || piece.size() != 2 || !piece[0].is_number() || !piece[1].is_number_unsigned()) {
                break;
            }
            const size_t size = std::min(piece[1].get<size_t>(), static_cast<size_t>(std::max(0, length)) - at);
            const int64_t after = std::clamp<int64_t>(wholeMilliseconds(piece[0].get<double>()), 0, UINT32_MAX);
            heard.push_back({static_cast<uint32_t>(after), std::string(reinterpret_cast<const char*>(bytes) + at, size)});
            at += size;
        }
        reset::sortHeard(heard, probe.setup.options.answer.milliseconds, probe.setup.options.answer.text, result);
        result.pulseBytes = static_cast<size_t>(std::max(0, pulseBytes));
        result.releasedAt = wholeMilliseconds(releasedAt);
    }
    reset::recordTry(probe, *probeTry, result);
    nlohmann::json out = {{"tryLine", reset::tryLine(probe, probe.tries.back())}};
    putNextTry(out);
    resetOut = out.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    return 0;
}

// Until when the current try listens (performance.now() ms), for its
// release and the last byte's time (the release where none came).
double korvaneListenUntil(double releasedAt, double lastByte)
{
    const int64_t release = wholeMilliseconds(releasedAt);
    const uint32_t wait = probe.setup.options.answer.milliseconds;
    return static_cast<double>(reset::listenUntil(release, wait, release + wait, wholeMilliseconds(lastByte)));
}

// A new wait for `text`: nothing that came before counts.
void korvaneWatch(const char* text)
{
    watch = reset::TextWatch{text, ""};
}

// `length` bytes from the port, escaped as korvane-reset shows them (then
// korvaneReceived()); returns 1 when they complete the text watched for.
int korvaneReceive(const uint8_t* bytes, int length)
{
    const std::string piece(reinterpret_cast<const char*>(bytes), static_cast<size_t>(length));
    receivedOut = received.escaped(piece);
    return watch.seen(piece) ? 1 : 0;
}

const char* korvaneReceived()
{
    return receivedOut.c_str();
}

// korvane-reset's line for a board that did not send `text`: `heard` bytes came.
const char* korvaneNoAnswer(const char* timeoutText, int baud, int tries, int heard, const char* text)
{
    noAnswerOut = reset::noAnswerText(timeoutText, static_cast<uint32_t>(baud), static_cast<uint32_t>(tries),
                                      static_cast<size_t>(std::max(0, heard)), text);
    return noAnswerOut.c_str();
}

}  // extern "C"
