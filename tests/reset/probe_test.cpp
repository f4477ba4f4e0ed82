#include "reset/probe_verdict.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <nlohmann/json.hpp>

#include "calculator/generator_models.h"
#include "calculator/include_file.h"
#include "reset/modem_lines.h"
#include "reset/scripted_port.h"

namespace reset {
namespace {

using OptionList = std::vector<std::pair<Option, std::string>>;

// The options of `korvane-reset --probe --expect='KORVANE ready' ...`.
Options probeOptions(const OptionList& extra)
{
    Options options;
    readOption(Option::Probe, "", options);
    readOption(Option::Expect, "KORVANE ready", options);
    for (const auto& [option, value] : extra) {
        EXPECT_EQ(readOption(option, value, options), "");
    }
    EXPECT_EQ(completeOptions(options, std::nullopt), "");
    return options;
}

// korvane.inc as mardeluk writes it for timer 1 at `rate` and 11.0592 MHz, read back.
calculator::IncludeFacts fileFor(double rate)
{
    const calculator::BaudSettings settings{rate, calculator::GeneratorKind::T1, 0.01, 11059200.0, 0, 0x8000};
    const calculator::Calculation calculation = calculator::calculateSettings(settings);
    calculator::IncludeFacts facts{};
    std::string why;
    EXPECT_TRUE(calculator::readIncludeFile(calculator::includeFileText(settings, calculation.result), facts, why))
        << why;
    return facts;
}

struct ProbeRun {
    Probe probe;
    PulseReport report;
    ProbeVerdict verdict;
    std::vector<std::string> lines;
    int restLines;
    std::vector<std::string> shown;
};

// The probe on a scripted port with `board` behind it; the driver keeps its
// rate above `fastestBaud` (0: none), and read `failingRead` ends with Ctrl-C.
ProbeRun probeBoard(const ScriptedPort::Board& board, const Options& options,
                    const std::optional<calculator::IncludeFacts>& file, uint32_t fastestBaud = 0, int failingRead = 0)
{
    ScriptedPort port;
    port.lines = dtrLine | rtsLine;  // as the open leaves them
    port.board = board;
    port.fastestBaud = fastestBaud;
    port.failingRead = failingRead;
    port.readEnd = common::WaitResult{common::WaitEnd::EndingSignal, 2};
    ProbeRun run{startProbe(ProbeSetup{options, file}), {}, {}, {}, 0, {}};
    run.report = runProbe(port, port, run.probe, [&run](const TryRecord& record) {
        run.shown.push_back(tryLine(run.probe, record));
        return true;
    });
    run.verdict = judgeProbe(run.probe, "/dev/ttyUSB0");
    run.lines = verdictLines(run.verdict, run.probe);
    run.restLines = port.lines;
    // One pulse (one wait) for each reset counted, and the line's settings put back.
    EXPECT_EQ(static_cast<size_t>(std::count_if(port.log.begin(), port.log.end(),
                                                [](const std::string& entry) { return entry.rfind("wait", 0) == 0; })),
              resetsMade(run.probe) + (failingRead != 0 ? 1 : 0));
    EXPECT_EQ(port.log.back(), "TCSETS2 as before");
    return run;
}

ScriptedPort::Board boardOn(int line, bool inverted, double rate, const std::string& banner = "KORVANE ready\r\n")
{
    ScriptedPort::Board board;
    board.line = line;
    board.inverted = inverted;
    board.rate = rate;
    board.banner = banner;
    return board;
}

const std::string again = "again: korvane-reset '--expect=KORVANE ready' ";

TEST(Probe, FindsTheWiringAndTheRateInTheFewestResets)
{
    ScriptedPort::Board dead;
    dead.dead = true;
    ScriptedPort::Board once = boardOn(dtrLine, false, 57600);
    once.answersFor = 1;
    const struct Case {
        const char* name;
        ScriptedPort::Board board;
        OptionList options;
        bool withFile;
        ProbeFinding finding;
        size_t resets;
        std::vector<std::string> lines;  // the verdict's first lines, or each try's line (interrupted)
        int restLines;
        uint32_t fastestBaud = 0;
        int failingRead = 0;
    } cases[] = {
        {"RTS inverted, at korvane.inc's rate", boardOn(rtsLine, true, 57600), {}, true, ProbeFinding::Found, 5,
         {"found: the board answers at 57600 Baud after an RTS pulse, inverted", "answer: KORVANE ready",
          again + "--baud=57600 --line=rts --invert /dev/ttyUSB0"},
         dtrLine},
        // Released by the direct pulse's first edge, it talks during the
        // pulse; only the inverted pulse's release counts.
        {"DTR inverted, talking during the direct pulse", boardOn(dtrLine, true, 57600), {}, true,
         ProbeFinding::Found, 3, {"found: the board answers at 57600 Baud after a DTR pulse, inverted"}, rtsLine},
        {"a 12 MHz board for an 11.0592 MHz korvane.inc", boardOn(dtrLine, false, 62500), {}, true,
         ProbeFinding::Found, 3,
         {"found: the board answers at 62500 Baud after a DTR pulse", "answer: KORVANE ready",
          again + "--baud=62500 /dev/ttyUSB0",
          "the board's clock is probably 12.0000 MHz; korvane.inc was written for 11.0592 MHz",
          "next: korvane-baud --clock 12.0000 --rate 57600"},
         dtrLine | rtsLine},
        {"a loader built for 4800 Baud", boardOn(dtrLine, false, 4800), {}, true, ProbeFinding::Found, 33,
         {"found: the board answers at 4800 Baud after a DTR pulse", "answer: KORVANE ready",
          again + "--baud=4800 /dev/ttyUSB0",
          "no standard crystal makes 4800 Baud with korvane.inc's settings: the loader on the board was built "
          "for another rate than korvane.inc's 57600 Baud"},
         dtrLine | rtsLine},
        {"no korvane.inc, RTS at 19200", boardOn(rtsLine, false, 19200), {}, false, ProbeFinding::Found, 10,
         {"found: the board answers at 19200 Baud after an RTS pulse"}, dtrLine | rtsLine},
        {"another text", boardOn(dtrLine, false, 57600, "HELLO\r\n"), {}, true, ProbeFinding::Restarts, 32,
         {"not found: the board restarts after a DTR pulse (bytes came), but never sent 'KORVANE ready'"},
         dtrLine | rtsLine},
        {"a dead board", dead, {}, true, ProbeFinding::Silent, 12, {"not found: no byte came after any of 12 resets"},
         dtrLine | rtsLine},
        {"the text once only", once, {}, true, ProbeFinding::Unconfirmed, 2,
         {"not found: 'KORVANE ready' came at 57600 Baud after a DTR pulse, but not again on the next reset"},
         dtrLine | rtsLine},
        {"a sequence given", boardOn(rtsLine, false, 57600), {{Option::Sequence, "R0|W0.05|R1"}}, true,
         ProbeFinding::Found, 2,
         {"found: the board answers at 57600 Baud after the sequence R0|W0.05|R1", "answer: KORVANE ready",
          again + "--baud=57600 '--sequence=R0|W0.05|R1' /dev/ttyUSB0"},
         dtrLine | rtsLine},
        // The wiring and the rates given: only those rates, a refused one skipped and named.
        {"a rate that the driver does not take", boardOn(rtsLine, false, 19200),
         {{Option::Line, "rts"}, {Option::Baud, "9600,230400,19200"}}, false, ProbeFinding::Found, 3,
         {"try: 9600 Baud, an RTS pulse: 7 bytes without the text",
          "skipped 230400 Baud: the port's driver keeps 9600 Baud", "try: 19200 Baud, an RTS pulse: the text",
          "try: 19200 Baud, an RTS pulse: the text (again, to confirm)"},
         dtrLine | rtsLine, 115200},
        // Ctrl-C in the inverted DTR pulse's wait, which leaves DTR off: the
        // lines as a plain reset leaves them.
        {"Ctrl-C in the second try", boardOn(rtsLine, false, 57600), {}, false, ProbeFinding::Silent, 1,
         {"try: 9600 Baud, a DTR pulse: nothing"}, dtrLine | rtsLine, 0, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Options options = probeOptions(c.options);
        const ProbeRun run = probeBoard(c.board, options, c.withFile ? std::optional(fileFor(57600)) : std::nullopt,
                                        c.fastestBaud, c.failingRead);
        EXPECT_EQ(run.report.outcome, c.failingRead != 0 ? PulseOutcome::Interrupted : PulseOutcome::Done);
        EXPECT_EQ(run.verdict.finding, c.finding);
        EXPECT_EQ(resetsMade(run.probe), c.resets);
        // Never more than each wiring at each rate of the first phase, each rate, and the confirmation.
        EXPECT_LE(resetsMade(run.probe), 6 * run.probe.wiringRates.size() + run.probe.rates.size() + 1);
        const std::vector<std::string>& shown = c.fastestBaud != 0 || c.failingRead != 0 ? run.shown : run.lines;
        ASSERT_GE(shown.size(), c.lines.size());
        EXPECT_EQ(std::vector<std::string>(shown.begin(), shown.begin() + c.lines.size()), c.lines);
        EXPECT_EQ(run.shown.size(), run.probe.tries.size());
        EXPECT_EQ(run.restLines, c.restLines);
        EXPECT_EQ(verdictStatus(run.verdict), c.finding == ProbeFinding::Found ? 0 : 3);
    }
}

TEST(Probe, JsonVerdictNamesWiringRateCrystalAndEveryTry)
{
    const ProbeRun found = probeBoard(boardOn(rtsLine, true, 62500), probeOptions({}), fileFor(57600));
    const nlohmann::json verdict = nlohmann::json::parse(verdictJson(found.verdict, found.probe));
    EXPECT_EQ(verdict["found"], true);
    EXPECT_EQ(verdict["rate"], 62500);
    EXPECT_EQ(verdict["line"], "rts");
    EXPECT_EQ(verdict["invert"], true);
    EXPECT_EQ(verdict["text"], "KORVANE ready");
    EXPECT_EQ(verdict["command"], again.substr(7) + "--baud=62500 --line=rts --invert /dev/ttyUSB0");
    EXPECT_DOUBLE_EQ(verdict["crystal_mhz"].get<double>(), 12.0);
    EXPECT_DOUBLE_EQ(verdict["inc_clock_mhz"].get<double>(), 11.0592);
    ASSERT_EQ(verdict["tries"].size(), found.probe.tries.size());
    EXPECT_EQ(verdict["tries"][3], (nlohmann::json{{"line", "rts"}, {"invert", true}, {"rate", 57600},
                                                    {"bytes", found.probe.tries[3].result.byteCount}, {"found", false}}));
    EXPECT_GT(found.probe.tries[3].result.byteCount, 0u);

    ScriptedPort::Board dead;
    dead.dead = true;
    const ProbeRun silent = probeBoard(dead, probeOptions({}), std::nullopt);
    const nlohmann::json none = nlohmann::json::parse(verdictJson(silent.verdict, silent.probe));
    for (const char* key : {"rate", "line", "text", "command", "crystal_mhz", "inc_clock_mhz"}) {
        EXPECT_TRUE(none[key].is_null()) << key;
    }
}

}  // namespace
}  // namespace reset
