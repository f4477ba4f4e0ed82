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

// korvane.inc as mardeluk writes it for timer 1 at `rate` and `clock`, read back.
calculator::IncludeFacts fileFor(double rate, double clock = 11059200.0)
{
    const calculator::BaudSettings settings{rate, calculator::GeneratorKind::T1, 0.01, clock, 0, 0x8000};
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

// What else the port does: its driver keeps its rate above `fastestBaud`
// (0: none) and makes rates as `adapter` does; read `failingRead` ends with
// Ctrl-C; the first release is answered with `answers` besides the board.
struct PortScript {
    uint32_t fastestBaud = 0;
    int failingRead = 0;
    survey::Adapter adapter = survey::Adapter::Exact;
    std::vector<std::pair<int64_t, std::string>> answers = {};
    bool standardRatesOnly = false;
};

// The probe on a scripted port with `board` behind it.
ProbeRun probeBoard(const ScriptedPort::Board& board, const Options& options,
                    const std::optional<calculator::IncludeFacts>& file, const PortScript& script = {})
{
    ScriptedPort port;
    port.lines = dtrLine | rtsLine;  // as the open leaves them
    port.board = board;
    port.fastestBaud = script.fastestBaud;
    port.failingRead = script.failingRead;
    port.adapter = script.adapter;
    port.answers[1] = script.answers;
    port.standardRatesOnly = script.standardRatesOnly;
    port.readEnd = common::WaitResult{common::WaitEnd::EndingSignal, 2};
    const int failingRead = script.failingRead;
    ProbeRun run{startProbe(ProbeSetup{options, file, script.adapter}), {}, {}, {}, 0, {}};
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

TEST(Probe, FindsTheWiringTheRateAndTheWindowInTheFewestResets)
{
    ScriptedPort::Board dead;
    dead.dead = true;
    ScriptedPort::Board once = boardOn(dtrLine, false, 57600);
    once.answersFor = 1;
    // Its banner 0.8 s after the release, beyond the wait of 0.5 s.
    ScriptedPort::Board slow = boardOn(dtrLine, false, 57600);
    slow.delay = 800;
    const std::vector<std::pair<int64_t, std::string>> talkingOn = {{400, "booting\r\n"}, {460, "loading\r\n"},
                                                                    {540, "KORVANE ready\r\n"}};
    const struct Case {
        const char* name;
        ScriptedPort::Board board;
        OptionList options;
        std::optional<calculator::IncludeFacts> file;
        ProbeFinding finding;
        size_t resets;
        std::vector<std::string> lines;  // the verdict's first lines, or each try's line (`tryLines`)
        int restLines;
        PortScript script = {};
        bool tryLines = false;
    } cases[] = {
        {"RTS inverted, at korvane.inc's rate", boardOn(rtsLine, true, 57600), {}, fileFor(57600), ProbeFinding::Found, 7,
         {"found: the board answers at 57600 Baud after an RTS pulse, inverted",
          "window: the text decodes at 57600 Baud, not at 53856 or 62208 Baud: the board sends at 56217 to 58798 Baud",
          "answer: KORVANE ready", again + "--baud=57600 --line=rts --invert /dev/ttyUSB0"},
         dtrLine},
        {"DTR inverted, talking during the direct pulse", boardOn(dtrLine, true, 57600), {}, fileFor(57600),
         ProbeFinding::Found, 5,
         {"try: 57600 Baud, a DTR pulse: nothing, 15 bytes during the pulse",
          "try: 57600 Baud, a DTR pulse, inverted: the text"},
         rtsLine, {}, true},
        {"a 12 MHz board for an 11.0592 MHz korvane.inc", boardOn(dtrLine, false, 62500), {}, fileFor(57600),
         ProbeFinding::Found, 9,
         {"found: the board answers at 62635 Baud after a DTR pulse",
          "window: the text decodes from 60469 to 66250 Baud, not at 59454 or 66875 Baud: the board sends at 62061 to "
          "63209 Baud",
          "answer: KORVANE ready", again + "--baud=62635 /dev/ttyUSB0",
          "the board's clock is probably 12.0000 MHz; korvane.inc was written for 11.0592 MHz",
          "next: korvane-baud --clock 12.0000 --rate 57600"},
         dtrLine | rtsLine},
        {"14.7456 MHz, next to 14.31818", boardOn(dtrLine, false, 76800), {}, fileFor(57600), ProbeFinding::Found, 13,
         {"found: the board answers at 77113 Baud after a DTR pulse",
          "the board's clock is probably 14.7456 MHz; korvane.inc was written for 11.0592 MHz"},
         dtrLine | rtsLine},
        {"9.8304 MHz, next to 10", boardOn(dtrLine, false, 51200), {}, fileFor(57600), ProbeFinding::Found, 10,
         {"found: the board answers at 51261 Baud after a DTR pulse",
          "the board's clock is probably 9.8304 MHz; korvane.inc was written for 11.0592 MHz"},
         dtrLine | rtsLine},
        {"24 MHz, between 22.1184 and 24.576", boardOn(dtrLine, false, 125000), {}, fileFor(57600),
         ProbeFinding::Found, 27,
         {"found: the board answers at 125269 Baud after a DTR pulse",
          "the board's clock is probably 24.0000 MHz; korvane.inc was written for 11.0592 MHz"},
         dtrLine | rtsLine},
        {"a loader built for 57600 Baud, korvane.inc for 19200", boardOn(dtrLine, false, 57600), {}, fileFor(19200),
         ProbeFinding::Found, 29,
         {"found: the board answers at 57600 Baud after a DTR pulse",
          "window: the text decodes from 55556 to 60000 Baud, not at 53820 or 62400 Baud: the board sends at 56180 to "
          "58979 Baud",
          "the board's clock is probably 33.0000 MHz; korvane.inc was written for 11.0592 MHz",
          "or the loader on the board may have been built for 57600 Baud, not korvane.inc's 19200 Baud"},
         dtrLine | rtsLine},
        {"a loader built for 4800 Baud", boardOn(dtrLine, false, 4800), {}, fileFor(57600), ProbeFinding::Found, 35,
         {"found: the board answers at 4800 Baud after a DTR pulse",
          "no standard crystal makes 4800 Baud with korvane.inc's settings: the loader on the board may have been "
          "built for 4800 Baud, not korvane.inc's 57600 Baud"},
         dtrLine | rtsLine},
        {"no korvane.inc, RTS at 19200", boardOn(rtsLine, false, 19200), {}, std::nullopt, ProbeFinding::Found, 12,
         {"found: the board answers at 19200 Baud after an RTS pulse"}, dtrLine | rtsLine},
        {"a 16550 at korvane.inc's rate", boardOn(dtrLine, false, 19200), {}, fileFor(19200), ProbeFinding::Found, 4,
         {"found: the board answers at 19200 Baud after a DTR pulse",
          "window: the text decodes at 19200 Baud, not at 16457 or 23040 Baud: the board sends at 17778 to 20426 Baud",
          "the port's driver makes no rate nearer the window's edges (16550 UART, 115200 / n)"},
         dtrLine | rtsLine, {0, 0, survey::Adapter::Uart16550}},
        // 115200 / 9 decodes, / 8 and / 10 do not: both crystals fit.
        {"a 16550 at 14.7456 MHz, next to 14.31818", boardOn(dtrLine, false, 12800), {}, fileFor(9600),
         ProbeFinding::Found, 9,
         {"the board's clock is probably 14.7456 or 14.3182 MHz; korvane.inc was written for 11.0592 MHz",
          "next: korvane-baud --clock 14.7456,14.3182 --rate 9600"},
         dtrLine | rtsLine, {0, 0, survey::Adapter::Uart16550}},
        {"an FTDI adapter, 14.7456 MHz", boardOn(dtrLine, false, 76800), {}, fileFor(57600), ProbeFinding::Found, 16,
         {"the board's clock is probably 14.7456 MHz; korvane.inc was written for 11.0592 MHz"}, dtrLine | rtsLine,
         {0, 0, survey::Adapter::Ftdi}},
        {"another text", boardOn(dtrLine, false, 57600, "HELLO\r\n"), {}, fileFor(57600), ProbeFinding::Restarts, 32,
         {"not found: the board restarts after a DTR pulse (bytes came), but never sent 'KORVANE ready'"},
         dtrLine | rtsLine},
        {"a dead board", dead, {}, fileFor(57600), ProbeFinding::Silent, 12,
         {"not found: no byte came after any of 12 resets"}, dtrLine | rtsLine},
        {"a dead board's tries", dead, {}, fileFor(57600), ProbeFinding::Silent, 12,
         {"try: 57600 Baud, an RTS pulse, inverted: nothing", "try: 57600 Baud, a DTR and RTS pulse: nothing",
          "try: 115200 Baud, a DTR and RTS pulse, inverted: nothing"},
         dtrLine | rtsLine, {}, true},
        {"the text once only", once, {}, fileFor(57600), ProbeFinding::Unconfirmed, 2,
         {"not found: 'KORVANE ready' came at 57600 Baud after a DTR pulse, but not again on the next reset",
          "check: the board's power and the reset circuit, then: korvane-reset '--expect=KORVANE ready' --baud=57600 "
          "/dev/ttyUSB0"},
         dtrLine | rtsLine},
        // Released by the RTS pulse's end (DTR on again), it answers in the
        // next try: only that the next reset of that wiring is silent tells.
        {"a banner 0.8 s after the release", slow, {}, fileFor(57600), ProbeFinding::Unconfirmed, 5,
         {"not found: 'KORVANE ready' came at 57600 Baud after an RTS pulse, inverted, but not again on the next reset",
          "or it came late, 0.8 s after the reset before; the probe with a longer wait: korvane-reset --probe "
          "'--expect=KORVANE ready' --timeout=1.5 /dev/ttyUSB0"},
         dtrLine},
        {"that banner with the longer wait", slow, {{Option::Timeout, "1.5"}}, fileFor(57600), ProbeFinding::Found, 4,
         {"found: the board answers at 57600 Baud after a DTR pulse"}, dtrLine | rtsLine},
        {"a banner just after the wait, the line busy", dead, {}, fileFor(57600), ProbeFinding::Late, 1,
         {"not found in time: 'KORVANE ready' came 0.54 s after the release of a DTR pulse at 57600 Baud, later than "
          "the wait of 0.5 s",
          "next: korvane-reset --probe '--expect=KORVANE ready' --timeout=1 /dev/ttyUSB0"},
         dtrLine | rtsLine, {0, 0, survey::Adapter::Exact, talkingOn}},
        {"a sequence given", boardOn(rtsLine, false, 57600), {{Option::Sequence, "R0|W0.05|R1"}}, fileFor(57600),
         ProbeFinding::Found, 4,
         {"found: the board answers at 57600 Baud after the sequence R0|W0.05|R1",
          again + "--baud=57600 '--sequence=R0|W0.05|R1' /dev/ttyUSB0"},
         dtrLine | rtsLine},
        // The wiring and the rates given: only those rates, a refused one skipped and named.
        {"a rate that the driver does not take", boardOn(rtsLine, false, 19200),
         {{Option::Line, "rts"}, {Option::Baud, "9600,230400,19200"}}, std::nullopt, ProbeFinding::Found, 5,
         {"try: 9600 Baud, an RTS pulse: 7 bytes without the text",
          "skipped 230400 Baud: the port's driver keeps 9600 Baud", "try: 19200 Baud, an RTS pulse: the text",
          "try: 17952 Baud, an RTS pulse: 14 bytes without the text (the window's edge)",
          "try: 20736 Baud, an RTS pulse: 15 bytes without the text (the window's edge)",
          "try: 19200 Baud, an RTS pulse: the text (again, to confirm)"},
         dtrLine | rtsLine, {115200}, true},
        // Each rate beside the text's refused, without a reset: the edges stay unknown.
        {"a driver that takes only the standard rates", boardOn(rtsLine, false, 19200),
         {{Option::Line, "rts"}, {Option::Baud, "9600,19200"}}, std::nullopt, ProbeFinding::Found, 3,
         {"skipped 17952 Baud: the port's driver keeps 38400 Baud",
          "skipped 20736 Baud: the port's driver keeps 38400 Baud",
          "try: 19200 Baud, an RTS pulse: the text (again, to confirm)"},
         dtrLine | rtsLine, {0, 0, survey::Adapter::Exact, {}, true}, true},
        // Ctrl-C at the inverted DTR pulse's release, which leaves DTR off:
        // the lines as a plain reset leaves them.
        {"Ctrl-C in the second try", boardOn(rtsLine, false, 57600), {}, std::nullopt, ProbeFinding::Silent, 1,
         {"try: 9600 Baud, a DTR pulse: nothing"}, dtrLine | rtsLine, {0, 3}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Options options = probeOptions(c.options);
        const ProbeRun run = probeBoard(c.board, options, c.file, c.script);
        EXPECT_EQ(run.report.outcome, c.script.failingRead != 0 ? PulseOutcome::Interrupted : PulseOutcome::Done);
        EXPECT_EQ(run.verdict.finding, c.finding);
        EXPECT_EQ(resetsMade(run.probe), c.resets);
        // Each line expected, in its order among those shown.
        const std::vector<std::string>& shown = c.tryLines ? run.shown : run.lines;
        auto next = shown.begin();
        for (const std::string& line : c.lines) {
            next = std::find(next, shown.end(), line);
            EXPECT_NE(next, shown.end()) << line << "\nnot in order among:\n" << ::testing::PrintToString(shown);
        }
        EXPECT_EQ(run.shown.size(), run.probe.tries.size());
        EXPECT_EQ(run.restLines, c.restLines);
        EXPECT_EQ(verdictStatus(run.verdict), c.finding == ProbeFinding::Found ? 0 : 3);
    }
}

TEST(Probe, JsonVerdictNamesWiringRateWindowCrystalsAndEveryTry)
{
    const auto json = [](const ProbeRun& run) { return nlohmann::json::parse(verdictJson(run.verdict, run.probe)); };
    const ProbeRun found = probeBoard(boardOn(rtsLine, true, 62500), probeOptions({}), fileFor(57600));
    const nlohmann::json verdict = json(found);
    EXPECT_EQ(verdict["found"], true);
    EXPECT_EQ(verdict["rate"], 62635);
    EXPECT_EQ(verdict["line"], "rts");
    EXPECT_EQ(verdict["invert"], true);
    EXPECT_EQ(verdict["text"], "KORVANE ready");
    EXPECT_EQ(verdict["command"], again.substr(7) + "--baud=62635 --line=rts --invert /dev/ttyUSB0");
    EXPECT_EQ(verdict["window"], nlohmann::json({60469, 66250}));
    EXPECT_EQ(verdict["not_at"], nlohmann::json({59454, 66875}));
    EXPECT_EQ(verdict["board_rates"], nlohmann::json({62061, 63209}));
    EXPECT_EQ(verdict["crystals_mhz"], nlohmann::json({12.0}));
    EXPECT_DOUBLE_EQ(verdict["crystal_mhz"].get<double>(), 12.0);
    EXPECT_DOUBLE_EQ(verdict["inc_clock_mhz"].get<double>(), 11.0592);
    ASSERT_EQ(verdict["tries"].size(), found.probe.tries.size());
    // The RTS pulse releases the inverted board while it holds the line.
    EXPECT_EQ(verdict["tries"][2], (nlohmann::json{{"line", "rts"}, {"invert", false}, {"rate", 57600}, {"bytes", 0},
                                                    {"found", false}, {"during_pulse", 14}, {"later", 0},
                                                    {"late", false}}));

    // Two crystals fit: both listed, none named alone.
    const ProbeRun two = probeBoard(boardOn(dtrLine, false, 12800), probeOptions({}), fileFor(9600),
                                    PortScript{0, 0, survey::Adapter::Uart16550});
    EXPECT_EQ(json(two)["crystals_mhz"], nlohmann::json({14.7456, 14.31818}));
    EXPECT_TRUE(json(two)["crystal_mhz"].is_null());
    EXPECT_EQ(json(two)["coarse"], true);

    // A text that came after the wait: when, and the probe that waits for it.
    ScriptedPort::Board dead;
    dead.dead = true;
    const ProbeRun late = probeBoard(dead, probeOptions({}), std::nullopt,
                                     PortScript{0, 0, survey::Adapter::Exact, {{450, "boot\r\n"}, {520, "KORVANE ready\r\n"}}});
    EXPECT_EQ(json(late)["late_ms"], 520);
    EXPECT_EQ(json(late)["next"], "korvane-reset --probe '--expect=KORVANE ready' --timeout=1 /dev/ttyUSB0");
    EXPECT_EQ(json(late)["tries"][0]["late"], true);

    const ProbeRun silent = probeBoard(dead, probeOptions({}), std::nullopt);
    const nlohmann::json none = json(silent);
    for (const char* key : {"rate", "line", "text", "command", "window", "not_at", "board_rates", "crystal_mhz",
                            "inc_clock_mhz", "late_ms", "next"}) {
        EXPECT_TRUE(none[key].is_null()) << key;
    }
    EXPECT_EQ(none["crystals_mhz"], nlohmann::json::array());
}

}  // namespace
}  // namespace reset
