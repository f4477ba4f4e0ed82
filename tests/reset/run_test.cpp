// The pulse and the sequences through a scripted driver.
#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <map>
#include <string>
#include <vector>

#include "reset/plan.h"
#include "reset/run.h"
#include "reset/scripted_port.h"

namespace reset {
namespace {

const common::WaitResult elapsed{common::WaitEnd::Elapsed, 0};
const common::WaitResult terminated{common::WaitEnd::EndingSignal, SIGTERM};
const common::WaitResult unplugged{common::WaitEnd::CheckFailed, EIO};

struct SerialCase {
    const char* name;
    PulseLines pulseLines;
    bool inverted;
    int linesBefore;
    bool hangupOnClose;
    int keptLines;
    std::map<std::string, int> errors;
    common::WaitResult waitResult;
    int signalBeforePulse;
    std::vector<std::string> log;
    PulseOutcome outcome;
    int detail;
    int linesAfter;
};

TEST(PulseSerial, CallSequenceHupclAndReadBack)
{
    const std::vector<std::string> whole = {"TIOCMGET", "HUPCL?", "HUPCL off", "TIOCMBIC 02", "wait 30",
                                            "TIOCMBIS 06", "TIOCMGET"};
    const SerialCase cases[] = {
        {"DTR pulse with HUPCL set", PulseLines::Dtr, false, 0x06, true, 0x06, {}, elapsed, 0, whole, PulseOutcome::Done, 0, 0x06},
        {"lines off before, HUPCL already clear", PulseLines::Dtr, false, 0x00, false, 0x06, {}, elapsed, 0,
         {"TIOCMGET", "HUPCL?", "TIOCMBIC 02", "wait 30", "TIOCMBIS 06", "TIOCMGET"}, PulseOutcome::Done, 0, 0x06},
        {"RTS pulse", PulseLines::Rts, false, 0x06, true, 0x06, {}, elapsed, 0,
         {"TIOCMGET", "HUPCL?", "HUPCL off", "TIOCMBIC 04", "wait 30", "TIOCMBIS 06", "TIOCMGET"}, PulseOutcome::Done, 0, 0x06},
        {"both lines", PulseLines::Both, false, 0x06, true, 0x06, {}, elapsed, 0,
         {"TIOCMGET", "HUPCL?", "HUPCL off", "TIOCMBIC 06", "wait 30", "TIOCMBIS 06", "TIOCMGET"}, PulseOutcome::Done, 0, 0x06},
        // No modem lines: nothing else is asked, nothing changed.
        {"pseudo terminal", PulseLines::Dtr, false, 0, true, 0x06, {{"TIOCMGET#1", ENOTTY}}, elapsed, 0,
         {"TIOCMGET fails"}, PulseOutcome::NotModemPort, ENOTTY, 0},
        {"legacy ttyS without a UART", PulseLines::Dtr, false, 0, true, 0x06, {{"TIOCMGET#1", EIO}}, elapsed, 0,
         {"TIOCMGET fails"}, PulseOutcome::NoDevice, EIO, 0},
        {"RTS does not follow", PulseLines::Dtr, false, 0x02, true, 0x02, {}, elapsed, 0, whole, PulseOutcome::ReadBackFailed, 0, 0x02},
        {"read-back call fails", PulseLines::Dtr, false, 0x06, true, 0x06, {{"TIOCMGET#2", EIO}}, elapsed, 0,
         {"TIOCMGET", "HUPCL?", "HUPCL off", "TIOCMBIC 02", "wait 30", "TIOCMBIS 06", "TIOCMGET fails"},
         PulseOutcome::Disappeared, EIO, 0x06},
        {"settings refused", PulseLines::Dtr, false, 0x06, true, 0x06, {{"HUPCL off#1", EINVAL}}, elapsed, 0,
         {"TIOCMGET", "HUPCL?", "HUPCL off fails"}, PulseOutcome::Failed, EINVAL, 0x06},
        {"gone before the pulse", PulseLines::Dtr, false, 0x06, false, 0x06, {{"TIOCMBIC#1", ENODEV}}, elapsed, 0,
         {"TIOCMGET", "HUPCL?", "TIOCMBIC 02 fails"}, PulseOutcome::Disappeared, ENODEV, 0x06},
        // The lines come back on before the program ends by the signal.
        {"SIGTERM during the wait", PulseLines::Dtr, false, 0x06, true, 0x06, {}, terminated, 0,
         {"TIOCMGET", "HUPCL?", "HUPCL off", "TIOCMBIC 02", "wait 30", "TIOCMBIS 06"}, PulseOutcome::Interrupted, SIGTERM, 0x06},
        // Stopped before the reset: nothing changed, HUPCL neither.
        {"SIGINT before the pulse", PulseLines::Dtr, false, 0x06, true, 0x06, {}, elapsed, SIGINT,
         {"TIOCMGET"}, PulseOutcome::Interrupted, SIGINT, 0x06},
        {"unplugged during the wait", PulseLines::Dtr, false, 0x06, true, 0x06, {{"TIOCMBIS#1", EIO}}, unplugged, 0,
         {"TIOCMGET", "HUPCL?", "HUPCL off", "TIOCMBIC 02", "wait 30", "TIOCMBIS 06 fails"}, PulseOutcome::Disappeared, EIO, 0x04},
        // Inverted: the chosen lines go on for the pulse and rest off; the other stays as it was.
        {"inverted DTR pulse", PulseLines::Dtr, true, 0x04, true, 0x06, {}, elapsed, 0,
         {"TIOCMGET", "HUPCL?", "HUPCL off", "TIOCMBIS 02", "wait 30", "TIOCMBIC 02", "TIOCMGET"}, PulseOutcome::Done, 0, 0x04},
        {"inverted, both lines", PulseLines::Both, true, 0x06, true, 0x06, {}, elapsed, 0,
         {"TIOCMGET", "HUPCL?", "HUPCL off", "TIOCMBIS 06", "wait 30", "TIOCMBIC 06", "TIOCMGET"}, PulseOutcome::Done, 0, 0x00},
        {"inverted, SIGTERM during the wait: back off", PulseLines::Rts, true, 0x00, true, 0x06, {}, terminated, 0,
         {"TIOCMGET", "HUPCL?", "HUPCL off", "TIOCMBIS 04", "wait 30", "TIOCMBIC 04"}, PulseOutcome::Interrupted, SIGTERM, 0x00},
        {"inverted, DTR stuck on", PulseLines::Dtr, true, 0x02, true, 0x00, {}, elapsed, 0,
         {"TIOCMGET", "HUPCL?", "HUPCL off", "TIOCMBIS 02", "wait 30", "TIOCMBIC 02", "TIOCMGET"}, PulseOutcome::ReadBackFailed, 0, 0x02},
    };
    for (const SerialCase& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedPort port;
        port.lines = c.linesBefore;
        port.hangupOnClose = c.hangupOnClose;
        port.keptLines = c.keptLines;
        port.errors = c.errors;
        port.waitResult = c.waitResult;
        port.signalBeforePulse = c.signalBeforePulse;

        const PulseReport report = resetOn(port, pulseOptions(c.pulseLines, c.inverted, 30));
        EXPECT_EQ(port.log, c.log);
        EXPECT_EQ(report.outcome, c.outcome);
        EXPECT_EQ(report.detail, c.detail);
        EXPECT_EQ(port.lines, c.linesAfter);
        // Once the lines have been switched, HUPCL is off for good; before,
        // it is as it was.
        if (c.log.size() > 3) {
            EXPECT_FALSE(port.hangupOnClose);
        }
        if (c.signalBeforePulse != 0) {
            EXPECT_FALSE(report.hangupCleared);
            EXPECT_EQ(port.hangupOnClose, c.hangupOnClose);
        }
    }
}

TEST(Sequence, RunsStepByStepAndEndsInItsLastState)
{
    const struct {
        const char* name;
        const char* text;
        int linesBefore;
        int keptLines;
        common::WaitResult waitResult;
        std::vector<std::string> log;
        PulseOutcome outcome;
        int linesAfter;
    } cases[] = {
        {"the default pulse", "D0|W0.05|U1,1", 0x06, 0x06, elapsed,
         {"TIOCMGET", "HUPCL?", "HUPCL off", "TIOCMBIC 02", "wait 50", "TIOCMGET", "TIOCMSET 06", "TIOCMGET"},
         PulseOutcome::Done, 0x06},
        {"RTS held while DTR pulses", "R0|D0|W0.1|D1|W0.02|R1", 0x06, 0x06, elapsed,
         {"TIOCMGET", "HUPCL?", "HUPCL off", "TIOCMBIC 04", "TIOCMBIC 02", "wait 100", "TIOCMBIS 02", "wait 20",
          "TIOCMBIS 04", "TIOCMGET"},
         PulseOutcome::Done, 0x06},
        {"both at once, to different levels", "U0,1|W0.01", 0x02, 0x06, elapsed,
         {"TIOCMGET", "HUPCL?", "HUPCL off", "TIOCMGET", "TIOCMSET 04", "wait 10", "TIOCMGET"}, PulseOutcome::Done, 0x04},
        // The signal ends the wait; the lines go where the sequence would have left them.
        {"SIGTERM in the middle", "D0|R0|W0.2|D1|W0.1|R1", 0x06, 0x06, terminated,
         {"TIOCMGET", "HUPCL?", "HUPCL off", "TIOCMBIC 02", "TIOCMBIC 04", "wait 200", "TIOCMGET", "TIOCMSET 06"},
         PulseOutcome::Interrupted, 0x06},
        {"RTS does not follow", "U1,1", 0x02, 0x02, elapsed,
         {"TIOCMGET", "HUPCL?", "HUPCL off", "TIOCMGET", "TIOCMSET 06", "TIOCMGET"}, PulseOutcome::ReadBackFailed, 0x02},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedPort port;
        port.lines = c.linesBefore;
        port.keptLines = c.keptLines;
        port.waitResult = c.waitResult;
        const PulseReport report = resetOn(port, sequenceOptions(c.text));
        EXPECT_EQ(port.log, c.log);
        EXPECT_EQ(report.outcome, c.outcome);
        EXPECT_EQ(port.lines, c.linesAfter);
    }
}

// The lines that a port is put at when it opens are those that the reset
// leaves: from there the pulse or sequence changes nothing at its end, and the
// board sees no edge but the reset's.
TEST(LinesAtRest, TheStateThatTheResetEndsIn)
{
    const struct {
        const char* name;
        PulseLines pulseLines;
        bool inverted;
        const char* sequence;
        int rest;
    } cases[] = {
        {"DTR pulse", PulseLines::Dtr, false, "", 0x06},
        {"both lines", PulseLines::Both, false, "", 0x06},
        {"inverted DTR", PulseLines::Dtr, true, "", 0x04},
        {"inverted RTS", PulseLines::Rts, true, "", 0x02},
        {"inverted both", PulseLines::Both, true, "", 0x00},
        {"sequence ending with RTS off", PulseLines::Dtr, false, "D0|R0|W0.1|D1", 0x02},
        {"sequence ending with both on", PulseLines::Rts, true, "U0,0|W0.05|U1,1", 0x06},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Options options = *c.sequence == '\0' ? pulseOptions(c.pulseLines, c.inverted, 10) : sequenceOptions(c.sequence);
        EXPECT_EQ(linesAtRest(options), c.rest);
        ScriptedPort port;
        port.lines = c.rest;
        const PulseReport report = resetOn(port, options);
        EXPECT_EQ(report.outcome, PulseOutcome::Done);
        EXPECT_EQ(port.lines, c.rest);
    }
}

struct ParallelCase {
    const char* name;
    bool inverted;
    uint8_t keptData;
    std::map<std::string, int> errors;
    common::WaitResult waitResult;
    std::vector<std::string> log;
    PulseOutcome outcome;
    int detail;
};

TEST(PulseParallel, ClaimPatternsReadBackAndRelease)
{
    const ParallelCase cases[] = {
        {"data register that reads back", false, 0xFF, {}, elapsed,
         {"PPCLAIM", "PPDATADIR forward", "PPWDATA 55", "wait 30", "PPRDATA 55", "PPWDATA AA", "PPRDATA AA", "PPRELEASE"},
         PulseOutcome::Done, 0},
        {"held by another driver", false, 0xFF, {{"PPCLAIM#1", EBUSY}}, elapsed, {"PPCLAIM fails"}, PulseOutcome::Busy, EBUSY},
        {"no parallel port", false, 0xFF, {{"PPCLAIM#1", ENOTTY}}, elapsed, {"PPCLAIM fails"}, PulseOutcome::NotParallelPort, ENOTTY},
        {"data lines stuck", false, 0x00, {}, elapsed,
         {"PPCLAIM", "PPDATADIR forward", "PPWDATA 55", "wait 30", "PPRDATA 00", "PPWDATA AA", "PPRELEASE"},
         PulseOutcome::ReadBackFailed, 0},
        {"D7 stuck low", false, 0x7F, {}, elapsed,
         {"PPCLAIM", "PPDATADIR forward", "PPWDATA 55", "wait 30", "PPRDATA 55", "PPWDATA AA", "PPRDATA 2A", "PPRELEASE"},
         PulseOutcome::ReadBackFailed, 0},
        {"SIGTERM during the wait", false, 0xFF, {}, terminated,
         {"PPCLAIM", "PPDATADIR forward", "PPWDATA 55", "wait 30", "PPWDATA AA", "PPRELEASE"}, PulseOutcome::Interrupted, SIGTERM},
        {"direction refused", false, 0xFF, {{"PPDATADIR#1", EINVAL}}, elapsed,
         {"PPCLAIM", "PPDATADIR forward fails", "PPRELEASE"}, PulseOutcome::Failed, EINVAL},
        {"inverted: the patterns swap", true, 0xFF, {}, elapsed,
         {"PPCLAIM", "PPDATADIR forward", "PPWDATA AA", "wait 30", "PPRDATA AA", "PPWDATA 55", "PPRDATA 55", "PPRELEASE"},
         PulseOutcome::Done, 0},
    };
    for (const ParallelCase& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedPort port;
        port.keptData = c.keptData;
        port.errors = c.errors;
        port.waitResult = c.waitResult;
        const PulseReport report = pulseParallel(port, c.inverted, 30);
        EXPECT_EQ(port.log, c.log);
        EXPECT_EQ(report.outcome, c.outcome);
        EXPECT_EQ(report.detail, c.detail);
    }
}

}  // namespace
}  // namespace reset
