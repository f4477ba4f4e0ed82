// The wait for the board's answer through a scripted driver.
#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "reset/expect.h"
#include "reset/run.h"
#include "reset/scripted_port.h"

namespace reset {
namespace {

// The scripted port as an opened port of the machine.
class ScriptedOpenPort final : public OpenPort {
public:
    ScriptedPort port;
    ModemLineDriver& modemLines() override { return port; }
    ReceiveLineDriver& receiveLine() override { return port; }
    ParallelDriver* parallel() override { return &port; }
};

// A run's reset on its opened port: the answer as shown ends with a line
// feed of its own, and one that standard output did not take is an answer
// not shown, as the rest of it would be.
TEST(ExpectAnswer, ResetsReadsAndPutsTheLineBack)
{
    // TCFLSH at the release too: what came during the pulse is no answer.
    const std::vector<std::string> pulse = {"TIOCMGET", "HUPCL?", "TIOCMBIC 02", "wait 50", "TIOCMBIS 06", "TCFLSH", "TIOCMGET"};
    const auto concat = [](std::vector<std::vector<std::string>> parts) {
        std::vector<std::string> all;
        for (const auto& part : parts) {
            all.insert(all.end(), part.begin(), part.end());
        }
        return all;
    };
    const struct {
        const char* name;
        const char* wanted;
        std::map<int, std::vector<std::pair<int64_t, std::string>>> answers;
        uint32_t tries;
        int failingRead;
        common::WaitResult readEnd;
        int configureError;
        std::vector<std::string> log;
        std::string shown;
        PulseOutcome outcome;
        std::map<std::string, int> errors;
        std::map<int, std::string> duringPulse = {};
        const char* sequence = "";
        size_t shownWrites = 99;  // how many writes standard output takes
    } cases[] = {
        {"the text split across reads, behind garbage", "ready",
         {{1, {{10, std::string("\x00gar", 4)}, {20, "bage\r\nKORVANE re"}, {30, "ady\r\n"}}}}, 1, 0, {}, 0,
         concat({{"TIOCMGET", "TCSETS2 9600", "TCGETS2 9600", "TCFLSH"}, pulse, {"read 4", "read 16", "read 5", "TCSETS2 as before"}}),
         "\\x00garbage\nKORVANE ready\n", PulseOutcome::Done, {}},
        {"the text only after the second pulse", "ready", {{2, {{100, "KORVANE ready"}}}}, 2, 0, {}, 0,
         concat({{"TIOCMGET", "TCSETS2 9600", "TCGETS2 9600", "TCFLSH"}, pulse, {"read nothing", "TCFLSH"}, pulse, {"read 13", "TCSETS2 as before"}}),
         "KORVANE ready\n", PulseOutcome::Done, {}},
        {"never: one pulse a try, then no answer", "ready", {}, 3, 0, {}, 0,
         concat({{"TIOCMGET", "TCSETS2 9600", "TCGETS2 9600", "TCFLSH"}, pulse, {"read nothing", "TCFLSH"}, pulse, {"read nothing", "TCFLSH"},
                 pulse, {"read nothing", "TCSETS2 as before"}}),
         "", PulseOutcome::NoAnswer, {}},
        {"a text that only begins the one asked for", "ready!", {{1, {{5, "KORVANE rea"}, {10, "dy"}}}}, 1, 0, {}, 0,
         concat({{"TIOCMGET", "TCSETS2 9600", "TCGETS2 9600", "TCFLSH"}, pulse, {"read 11", "read 2", "read nothing", "TCSETS2 as before"}}),
         "KORVANE ready\n", PulseOutcome::NoAnswer, {}},
        {"Ctrl-C while waiting", "ready", {}, 1, 1, common::WaitResult{common::WaitEnd::EndingSignal, SIGINT}, 0,
         concat({{"TIOCMGET", "TCSETS2 9600", "TCGETS2 9600", "TCFLSH"}, pulse, {"read fails", "TCSETS2 as before"}}), "", PulseOutcome::Interrupted, {}},
        {"unplugged while waiting", "ready", {}, 1, 1, common::WaitResult{common::WaitEnd::CheckFailed, EIO}, 0,
         concat({{"TIOCMGET", "TCSETS2 9600", "TCGETS2 9600", "TCFLSH"}, pulse, {"read fails", "TCSETS2 as before"}}), "", PulseOutcome::Disappeared, {}},
        {"not a serial line", "ready", {}, 1, 0, {}, 0, {"TIOCMGET fails"}, "", PulseOutcome::NotModemPort, {{"TIOCMGET#1", ENOTTY}}},
        // Once the port has shown its modem lines, a refusal is its own.
        {"the rate refused with EINVAL", "ready", {}, 1, 0, {}, EINVAL, {"TIOCMGET", "TCSETS2 9600 fails"}, "",
         PulseOutcome::Failed, {}},
        // A board wired the other way round is released by the pulse's first
        // edge and talks during the pulse: that is no answer.
        {"the banner during the pulse", "ready", {}, 1, 0, {}, 0,
         concat({{"TIOCMGET", "TCSETS2 9600", "TCGETS2 9600", "TCFLSH"}, pulse, {"read nothing", "TCSETS2 as before"}}),
         "", PulseOutcome::NoAnswer, {}, {{1, "KORVANE ready\r\n"}}},
        // A sequence describes its own wiring and may release the board
        // before its end: what comes after its first step counts.
        {"a sequence's answer during its waits", "ready", {}, 1, 0, {}, 0,
         {"TIOCMGET", "TCSETS2 9600", "TCGETS2 9600", "TCFLSH", "TIOCMGET", "HUPCL?", "TIOCMBIC 02", "TCFLSH", "wait 50",
          "TIOCMGET", "TIOCMSET 06", "TIOCMGET", "read 13", "TCSETS2 as before"},
         "KORVANE ready\n", PulseOutcome::Done, {}, {{1, "KORVANE ready"}}, "D0|W0.05|U1,1"},
        {"the line feed not taken", "ready", {{1, {{10, "KORVANE ready"}}}}, 1, 0, {}, 0,
         concat({{"TIOCMGET", "TCSETS2 9600", "TCGETS2 9600", "TCFLSH"}, pulse, {"read 13", "TCSETS2 as before"}}),
         "KORVANE ready", PulseOutcome::AnswerNotShown, {}, {}, "", 1},
        {"the banner not taken", "ready", {{1, {{10, "KORVANE ready"}}}}, 1, 0, {}, 0,
         concat({{"TIOCMGET", "TCSETS2 9600", "TCGETS2 9600", "TCFLSH"}, pulse, {"read 13", "TCSETS2 as before"}}),
         "", PulseOutcome::AnswerNotShown, {}, {}, "", 0},
        // The settings go back exactly as they were, HUPCL included, unless a
        // reset got as far as clearing it; once one did, it stays cleared.
        {"the reset fails at its first TIOCMGET", "ready", {}, 1, 0, {}, 0,
         {"TIOCMGET", "TCSETS2 9600", "TCGETS2 9600", "TCFLSH", "TIOCMGET fails", "TCSETS2 exactly as before"}, "",
         PulseOutcome::NoDevice, {{"TIOCMGET#2", EIO}}},
        {"the reset cannot read HUPCL", "ready", {}, 1, 0, {}, 0,
         {"TIOCMGET", "TCSETS2 9600", "TCGETS2 9600", "TCFLSH", "TIOCMGET", "HUPCL? fails", "TCSETS2 exactly as before"},
         "", PulseOutcome::Disappeared, {{"HUPCL?#1", EIO}}},
        {"the reset fails after HUPCL", "ready", {}, 1, 0, {}, 0,
         {"TIOCMGET", "TCSETS2 9600", "TCGETS2 9600", "TCFLSH", "TIOCMGET", "HUPCL?", "TIOCMBIC 02 fails", "TCSETS2 as before"},
         "", PulseOutcome::Disappeared, {{"TIOCMBIC#1", EIO}}},
        {"the second reset fails at its first TIOCMGET", "ready", {}, 2, 0, {}, 0,
         concat({{"TIOCMGET", "TCSETS2 9600", "TCGETS2 9600", "TCFLSH"}, pulse,
                 {"read nothing", "TCFLSH", "TIOCMGET fails", "TCSETS2 as before"}}),
         "", PulseOutcome::NoDevice, {{"TIOCMGET#4", EIO}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedOpenPort open;
        ScriptedPort& port = open.port;
        port.lines = 0x06;
        port.hangupOnClose = false;
        port.answers = c.answers;
        port.failingRead = c.failingRead;
        port.readEnd = c.readEnd;
        port.configureError = c.configureError;
        port.errors = c.errors;
        port.duringPulse = c.duringPulse;
        Options options = *c.sequence == '\0' ? pulseOptions(PulseLines::Dtr, false, 50) : sequenceOptions(c.sequence);
        options.expect = true;
        options.answer = ExpectRequest{c.wanted, 9600, 500, c.tries};
        std::string shown;
        size_t writes = 0;
        const PulseReport report = resetOpenPort(open, ResetAction::PulseSerial, options, [&](const std::string& text) {
            shown += writes < c.shownWrites ? text : "";
            return writes++ < c.shownWrites;
        });
        EXPECT_EQ(port.log, c.log);
        EXPECT_EQ(shown, c.shown);
        EXPECT_EQ(report.outcome, c.outcome);
        // Without the text, how many bytes came instead, for the message.
        if (c.outcome == PulseOutcome::NoAnswer) {
            EXPECT_EQ(report.detail, c.name == std::string("a text that only begins the one asked for") ? 13 : 0);
        }
    }
}

// A driver that kept another rate: no reset, the settings as they were. One
// that wrote back its divisor's rate, within 1 %: the rate asked.
TEST(ExpectAnswer, RefusesARateThatTheDriverDidNotTake)
{
    const struct {
        const char* name;
        uint32_t asked;
        uint32_t kept;
        std::map<std::string, int> errors;
        std::vector<std::string> log;
        PulseOutcome outcome;
        int detail;
    } cases[] = {
        {"the 8250 keeps the old rate", 230400, 9600, {},
         {"TIOCMGET", "TCSETS2 230400", "TCGETS2 9600", "TCSETS2 exactly as before"}, PulseOutcome::RateRefused, 9600},
        {"1 % and one Baud slow", 9600, 9503, {},
         {"TIOCMGET", "TCSETS2 9600", "TCGETS2 9503", "TCSETS2 exactly as before"}, PulseOutcome::RateRefused, 9503},
        {"1 % fast", 9600, 9696, {},
         {"TIOCMGET", "TCSETS2 9600", "TCGETS2 9696", "TCFLSH", "TIOCMGET", "HUPCL?", "TIOCMBIC 02", "wait 50",
          "TIOCMBIS 06", "TCFLSH", "TIOCMGET", "read nothing", "TCSETS2 as before"},
         PulseOutcome::NoAnswer, 0},
        {"the settings unreadable", 9600, 0, {{"TCGETS2#1", EIO}},
         {"TIOCMGET", "TCSETS2 9600", "TCGETS2 9600 fails", "TCSETS2 exactly as before"}, PulseOutcome::Disappeared, EIO},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedPort port;
        port.lines = 0x06;
        port.hangupOnClose = false;
        port.keptBaud = c.kept;
        port.errors = c.errors;
        const PulseReport report = expectAnswer(
            port, port, ExpectRequest{"ready", c.asked, 500, 1},
            [&port](const std::function<int()>& released) { return resetOn(port, pulseOptions(PulseLines::Dtr, false, 50), released); },
            [](const std::string&) { return true; });
        EXPECT_EQ(port.log, c.log);
        EXPECT_EQ(report.outcome, c.outcome);
        EXPECT_EQ(report.detail, c.detail);
    }
}

}  // namespace
}  // namespace reset
