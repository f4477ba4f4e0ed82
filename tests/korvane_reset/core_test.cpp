// The pure core of korvane-reset: the command line, port names, the pulse
// sequences through a scripted driver, and the texts of errors and --list.
#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "korvane-reset/command_line.h"
#include "korvane-reset/expect.h"
#include "korvane-reset/messages.h"
#include "korvane-reset/port_list.h"
#include "korvane-reset/port_names.h"
#include "korvane-reset/pulse.h"
#include "reset/sequence.h"

namespace korvane_reset {
namespace {

std::string hex(unsigned value)
{
    char text[16];
    std::snprintf(text, sizeof text, "%02X", value);
    return text;
}

// --- command line ----------------------------------------------------------

CommandLine read(std::vector<std::string> arguments)
{
    arguments.insert(arguments.begin(), "korvane-reset");
    std::vector<char*> argv;
    for (std::string& argument : arguments) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    return readCommandLine(static_cast<int>(arguments.size()), argv.data());
}

TEST(CommandLine, RequestsOptionsAndOperands)
{
    const std::string hint = "; try 'korvane-reset --help'";
    const struct {
        std::vector<std::string> arguments;
        Request request;
        std::string error;
        PulseLines lines;
        std::string port;
        uint16_t width;
    } cases[] = {
        {{"ttyUSB0"}, Request::Run, "", PulseLines::Dtr, "ttyUSB0", 50},
        {{"/dev/ttyACM0", "200"}, Request::Run, "", PulseLines::Dtr, "/dev/ttyACM0", 200},
        {{"--line=rts", "ttyS0", "$32"}, Request::Run, "", PulseLines::Rts, "ttyS0", 50},
        {{"ttyS0", "--line", "both", "65535"}, Request::Run, "", PulseLines::Both, "ttyS0", 65535},
        {{"--line=dtr", "--", "lp0", "%1"}, Request::Run, "", PulseLines::Dtr, "lp0", 1},
        {{"--invert", "--line=both", "ttyUSB0"}, Request::Run, "", PulseLines::Both, "ttyUSB0", 50},
        {{"--sequence=D0|W0.05|U1,1", "ttyUSB0"}, Request::Run, "", PulseLines::Dtr, "ttyUSB0", 50},
        {{"--sequence=D0|W0.05", "ttyUSB0", "100"}, Request::Fail,
         "--sequence does not mix with WIDTH, --line or --invert" + hint, PulseLines::Dtr, "", 50},
        {{"--line=rts", "--sequence=R0", "ttyUSB0"}, Request::Fail,
         "--sequence does not mix with WIDTH, --line or --invert" + hint, PulseLines::Dtr, "", 50},
        {{"--sequence=D0|X1|D1", "ttyUSB0"}, Request::Fail,
         "invalid step in --sequence: 'X1' (D0, D1, R0, R1, U0,1 or a wait such as W0.05, separated by |)" + hint,
         PulseLines::Dtr, "", 50},
        {{"--expect=ready", "--baud=9.6e3", "--timeout=0.5", "--tries=3", "ttyUSB0"}, Request::Run, "", PulseLines::Dtr,
         "ttyUSB0", 50},
        {{"--expect=ready", "ttyUSB0"}, Request::Fail, "--expect needs --baud: the rate at which the board answers" + hint,
         PulseLines::Dtr, "", 50},
        {{"--baud=9600", "ttyUSB0"}, Request::Fail, "--baud, --timeout and --tries go with --expect" + hint,
         PulseLines::Dtr, "", 50},
        {{"--expect=", "--baud=9600", "ttyUSB0"}, Request::Fail, "--expect needs a text to wait for" + hint,
         PulseLines::Dtr, "", 50},
        {{"--expect=x", "--baud=9600.5", "ttyUSB0"}, Request::Fail,
         "invalid --baud: 9600.5 (a whole number of Baud, 1 to 12000000)" + hint, PulseLines::Dtr, "", 50},
        {{"--expect=x", "--baud=0", "ttyUSB0"}, Request::Fail,
         "invalid --baud: 0 (a whole number of Baud, 1 to 12000000)" + hint, PulseLines::Dtr, "", 50},
        {{"--expect=x", "--baud=9600", "--timeout=0", "ttyUSB0"}, Request::Fail,
         "invalid --timeout: 0 (seconds, above 0, at most 3600)" + hint, PulseLines::Dtr, "", 50},
        {{"--expect=x", "--baud=9600", "--tries=101", "ttyUSB0"}, Request::Fail, "invalid --tries: 101 (1 to 100)" + hint,
         PulseLines::Dtr, "", 50},
        {{"--invert=yes", "ttyUSB0"}, Request::Fail, "option --invert takes no value" + hint, PulseLines::Dtr, "", 50},
        {{"-l"}, Request::List, "", PulseLines::Dtr, "", 50},
        {{"--list", "--help"}, Request::Help, "", PulseLines::Dtr, "", 50},
        {{"--bogus", "-h"}, Request::Help, "", PulseLines::Dtr, "", 50},
        {{"x", "y", "z", "--version"}, Request::Version, "", PulseLines::Dtr, "", 50},
        {{}, Request::Fail, "no port given" + hint, PulseLines::Dtr, "", 50},
        {{"ttyS0", "0"}, Request::Fail, "invalid pulse width: 0 (1 to 65535 ms)" + hint, PulseLines::Dtr, "", 50},
        {{"ttyS0", "65536"}, Request::Fail, "invalid pulse width: 65536 (1 to 65535 ms)" + hint, PulseLines::Dtr, "", 50},
        {{"ttyS0", "50ms"}, Request::Fail, "invalid pulse width: 50ms (1 to 65535 ms)" + hint, PulseLines::Dtr, "", 50},
        {{"ttyS0", "1", "2"}, Request::Fail, "too many arguments: 2" + hint, PulseLines::Dtr, "", 50},
        {{"--line=cts", "ttyS0"}, Request::Fail, "invalid line: cts (dtr, rts or both)" + hint, PulseLines::Dtr, "", 50},
        {{"ttyS0", "--line"}, Request::Fail, "option --line needs a value" + hint, PulseLines::Dtr, "", 50},
        {{"--lines=dtr", "ttyS0"}, Request::Fail, "unknown option: --lines=dtr" + hint, PulseLines::Dtr, "", 50},
        {{"-x", "ttyS0"}, Request::Fail, "unknown option: -x" + hint, PulseLines::Dtr, "", 50},
        {{"--list=all"}, Request::Fail, "option --list takes no value" + hint, PulseLines::Dtr, "", 50},
        // A negative number looks like an option to getopt.
        {{"ttyS0", "-5"}, Request::Fail, "unknown option: -5" + hint, PulseLines::Dtr, "", 50},
        {{"--list", "ttyS0"}, Request::Fail, "--list takes no port: ttyS0" + hint, PulseLines::Dtr, "", 50},
        {{"--json", "--list"}, Request::List, "", PulseLines::Dtr, "", 50},
        {{"--json", "ttyS0"}, Request::Fail, "--json goes with --list" + hint, PulseLines::Dtr, "", 50},
    };
    for (const auto& c : cases) {
        std::string shown;
        for (const std::string& argument : c.arguments) {
            shown += " [" + argument + "]";
        }
        SCOPED_TRACE(shown);
        const CommandLine result = read(c.arguments);
        EXPECT_EQ(result.request, c.request);
        EXPECT_EQ(result.errorText, c.error);
        if (c.request == Request::Run) {
            EXPECT_EQ(result.lines, c.lines);
            EXPECT_EQ(result.port, c.port);
            EXPECT_EQ(result.pulseWidth, c.width);
            EXPECT_EQ(result.inverted, c.arguments[0] == "--invert");
            EXPECT_EQ(result.expect, c.arguments[0] == "--expect=ready");
            if (result.expect) {
                EXPECT_EQ(result.answer.text, "ready");
                EXPECT_EQ(result.answer.baud, 9600u);
                EXPECT_EQ(result.answer.milliseconds, 500u);
                EXPECT_EQ(result.answer.tries, 3u);
            }
        }
    }
}

// --- port names and devices ------------------------------------------------

TEST(PortNames, QuorviksNamesBareNamesAndPaths)
{
    const struct {
        const char* argument;
        bool onlyWait;
        const char* path;
    } cases[] = {
        {"null", true, ""},
        {"/dev/null", false, "/dev/null"},
        {"ttyS3", false, "/dev/ttyS3"},
        {"cua1", false, "/dev/ttyS1"},
        {"/dev/cua2", false, "/dev/ttyS2"},
        {"lp0", false, "/dev/parport0"},
        {"/dev/lp2", false, "/dev/parport2"},
        {"lp3", false, "/dev/lp3"},
        {"ttyUSB0", false, "/dev/ttyUSB0"},
        {"ttyS4", false, "/dev/ttyS4"},
        {"/dev/serial/by-id/usb-FTDI_FT232R-if00-port0", false, "/dev/serial/by-id/usb-FTDI_FT232R-if00-port0"},
        {"./ttyUSB0", false, "./ttyUSB0"},
        {"", false, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.argument);
        const PortTarget target = resolvePortName(c.argument);
        EXPECT_EQ(target.onlyWait, c.onlyWait);
        EXPECT_EQ(target.path, c.path);
    }
}

TEST(PortNames, OnlyTtysUnknownDevicesAndPpdevAreOpened)
{
    const struct {
        DeviceFacts facts;
        DeviceUse use;
    } cases[] = {
        {{FileKind::CharacterDevice, "tty"}, DeviceUse::Serial},
        {{FileKind::CharacterDevice, ""}, DeviceUse::Serial},  // a pseudo terminal
        {{FileKind::CharacterDevice, "ppdev"}, DeviceUse::Parallel},
        {{FileKind::CharacterDevice, "mem"}, DeviceUse::NotAPort},  // /dev/null
        {{FileKind::CharacterDevice, "watchdog"}, DeviceUse::NotAPort},
        {{FileKind::CharacterDevice, "printer"}, DeviceUse::NotAPort},
        {{FileKind::Other, ""}, DeviceUse::NotAPort},
        {{FileKind::Missing, ""}, DeviceUse::Missing},
        {{FileKind::Unknown, ""}, DeviceUse::Serial},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.facts.sysfsClass);
        EXPECT_EQ(judgeDevice(c.facts), c.use);
    }
}

// --- the pulse through a scripted driver -----------------------------------

// A port whose state follows the calls: modem lines, HUPCL and the data
// register, each line of `keptLines` and bit of `keptData` keeping what was
// written. Every call is logged; `errors` makes the n-th call of a kind
// ("TIOCMGET#2") fail with an errno.
class ScriptedPort final : public ModemLineDriver, public ReceiveLineDriver, public ParallelDriver {
public:
    int lines = 0;
    int keptLines = reset::dtrLine | reset::rtsLine;
    bool hangupOnClose = true;
    uint8_t data = 0;
    uint8_t keptData = 0xFF;
    std::map<std::string, int> errors;
    WaitResult waitResult{WaitEnd::Elapsed, 0};
    int signalBeforePulse = 0;
    std::vector<std::string> log;

    int readModemLines(int& value) override
    {
        value = lines;
        return call("TIOCMGET", "TIOCMGET");
    }
    int readHangupOnClose(bool& on) override
    {
        on = hangupOnClose;
        return call("HUPCL?", "HUPCL?");
    }
    int clearHangupOnClose() override
    {
        const int error = call("HUPCL off", "HUPCL off");
        if (error == 0) {
            hangupOnClose = false;
        }
        return error;
    }
    int switchOff(int which) override
    {
        const int error = call("TIOCMBIC", "TIOCMBIC " + hex(static_cast<unsigned>(which)));
        if (error == 0) {
            lines &= ~(which & keptLines);
        }
        return error;
    }
    int switchOn(int which) override
    {
        const int error = call("TIOCMBIS", "TIOCMBIS " + hex(static_cast<unsigned>(which)));
        if (error == 0) {
            lines |= which & keptLines;
        }
        return error;
    }
    int setModemLines(int value) override
    {
        const int error = call("TIOCMSET", "TIOCMSET " + hex(static_cast<unsigned>(value)));
        if (error == 0) {
            lines = (lines & ~keptLines) | (value & keptLines);
        }
        return error;
    }
    // --expect: what the board sends after each release, by pulse (1 is the
    // first), at ms after the release; time is this port's own clock.
    std::map<int, std::vector<std::pair<int64_t, std::string>>> answers;
    int failingRead = 0;  // the read that ends with readEnd instead
    WaitResult readEnd{WaitEnd::Elapsed, 0};
    int configureError = 0;
    uint32_t keptBaud = 0;  // the rate the driver holds after TCSETS2; 0: the one asked
    int64_t clock = 0;
    int configureLine(uint32_t baud) override
    {
        log.push_back("TCSETS2 " + std::to_string(baud) + (configureError != 0 ? " fails" : ""));
        keptBaud = keptBaud != 0 ? keptBaud : baud;
        return configureError;
    }
    int readLineRate(uint32_t& baud) override
    {
        baud = keptBaud;
        return call("TCGETS2", "TCGETS2 " + std::to_string(baud));
    }
    int restoreLine(bool keepHangupCleared) override
    {
        return call("restore", keepHangupCleared ? "TCSETS2 as before" : "TCSETS2 exactly as before");
    }
    int discardInput() override { return call("TCFLSH", "TCFLSH"); }
    int64_t monotonicMilliseconds() override { return clock; }
    WaitResult readInput(std::string& bytes, uint32_t milliseconds) override
    {
        if (++reads_ == failingRead) {
            log.push_back("read fails");
            return readEnd;
        }
        auto& pieces = answers[pulses_];
        if (!pieces.empty() && release_ + pieces.front().first <= clock + milliseconds) {
            clock = std::max(clock, release_ + pieces.front().first);
            bytes = pieces.front().second;
            pieces.erase(pieces.begin());
            log.push_back("read " + std::to_string(bytes.size()));
            return WaitResult{WaitEnd::Elapsed, 0};
        }
        clock += milliseconds;
        log.push_back("read nothing");
        return WaitResult{WaitEnd::Elapsed, 0};
    }
    int claim() override { return call("PPCLAIM", "PPCLAIM"); }
    int setDataForward() override { return call("PPDATADIR", "PPDATADIR forward"); }
    int writeData(uint8_t value) override
    {
        const int error = call("PPWDATA", "PPWDATA " + hex(value));
        if (error == 0) {
            data = static_cast<uint8_t>((value & keptData) | (data & ~keptData));
        }
        return error;
    }
    int readData(uint8_t& value) override
    {
        value = data;
        return call("PPRDATA", "PPRDATA " + hex(data));
    }
    int release() override { return call("PPRELEASE", "PPRELEASE"); }
    int endingSignal() override { return signalBeforePulse; }
    WaitResult wait(uint16_t milliseconds) override
    {
        log.push_back("wait " + std::to_string(milliseconds));
        clock += milliseconds;
        ++pulses_;
        release_ = clock;
        return waitResult;
    }

private:
    int reads_ = 0;
    int pulses_ = 0;
    int64_t release_ = 0;
    int call(const std::string& kind, const std::string& entry)
    {
        const int number = ++counts_[kind];
        const auto error = errors.find(kind + "#" + std::to_string(number));
        log.push_back(entry + (error != errors.end() ? " fails" : ""));
        return error != errors.end() ? error->second : 0;
    }
    std::map<std::string, int> counts_;
};

const WaitResult elapsed{WaitEnd::Elapsed, 0};
const WaitResult terminated{WaitEnd::EndingSignal, SIGTERM};
const WaitResult unplugged{WaitEnd::CheckFailed, EIO};

struct SerialCase {
    const char* name;
    PulseLines pulseLines;
    bool inverted;
    int linesBefore;
    bool hangupOnClose;
    int keptLines;
    std::map<std::string, int> errors;
    WaitResult waitResult;
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
        {"SIGINT before the pulse", PulseLines::Dtr, false, 0x06, true, 0x06, {}, elapsed, SIGINT,
         {"TIOCMGET", "HUPCL?", "HUPCL off"}, PulseOutcome::Interrupted, SIGINT, 0x06},
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

        const PulseReport report = pulseSerial(port, c.pulseLines, c.inverted, 30);
        EXPECT_EQ(port.log, c.log);
        EXPECT_EQ(report.outcome, c.outcome);
        EXPECT_EQ(report.detail, c.detail);
        EXPECT_EQ(port.lines, c.linesAfter);
        // Once the lines have been switched, HUPCL is off for good.
        if (c.log.size() > 3) {
            EXPECT_FALSE(port.hangupOnClose);
        }
    }
}

// --- reset sequences -------------------------------------------------------

TEST(Sequence, RunsStepByStepAndEndsInItsLastState)
{
    const struct {
        const char* name;
        const char* text;
        int linesBefore;
        int keptLines;
        WaitResult waitResult;
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
        std::vector<reset::SequenceStep> steps;
        std::string badStep;
        ASSERT_TRUE(reset::readSequence(c.text, steps, badStep));
        ScriptedPort port;
        port.lines = c.linesBefore;
        port.keptLines = c.keptLines;
        port.waitResult = c.waitResult;
        const PulseReport report = runSequence(port, steps);
        EXPECT_EQ(port.log, c.log);
        EXPECT_EQ(report.outcome, c.outcome);
        EXPECT_EQ(port.lines, c.linesAfter);
    }
}

// --- waiting for the board's answer ----------------------------------------

TEST(ExpectAnswer, ResetsReadsAndPutsTheLineBack)
{
    const std::vector<std::string> pulse = {"TIOCMGET", "HUPCL?", "TIOCMBIC 02", "wait 50", "TIOCMBIS 06", "TIOCMGET"};
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
        WaitResult readEnd;
        int configureError;
        std::vector<std::string> log;
        std::string shown;
        PulseOutcome outcome;
    } cases[] = {
        {"the text split across reads, behind garbage", "ready",
         {{1, {{10, std::string("\x00gar", 4)}, {20, "bage\r\nKORVANE re"}, {30, "ady\r\n"}}}}, 1, 0, {}, 0,
         concat({{"TIOCMGET", "TCSETS2 9600", "TCGETS2 9600", "TCFLSH"}, pulse, {"read 4", "read 16", "read 5", "TCSETS2 as before"}}),
         "\\x00garbage\nKORVANE ready\n", PulseOutcome::Done},
        {"the text only after the second pulse", "ready", {{2, {{100, "KORVANE ready"}}}}, 2, 0, {}, 0,
         concat({{"TIOCMGET", "TCSETS2 9600", "TCGETS2 9600", "TCFLSH"}, pulse, {"read nothing", "TCFLSH"}, pulse, {"read 13", "TCSETS2 as before"}}),
         "KORVANE ready", PulseOutcome::Done},
        {"never: one pulse a try, then no answer", "ready", {}, 3, 0, {}, 0,
         concat({{"TIOCMGET", "TCSETS2 9600", "TCGETS2 9600", "TCFLSH"}, pulse, {"read nothing", "TCFLSH"}, pulse, {"read nothing", "TCFLSH"},
                 pulse, {"read nothing", "TCSETS2 as before"}}),
         "", PulseOutcome::NoAnswer},
        {"a text that only begins the one asked for", "ready!", {{1, {{5, "KORVANE rea"}, {10, "dy"}}}}, 1, 0, {}, 0,
         concat({{"TIOCMGET", "TCSETS2 9600", "TCGETS2 9600", "TCFLSH"}, pulse, {"read 11", "read 2", "read nothing", "TCSETS2 as before"}}),
         "KORVANE ready", PulseOutcome::NoAnswer},
        {"Ctrl-C while waiting", "ready", {}, 1, 1, WaitResult{WaitEnd::EndingSignal, SIGINT}, 0,
         concat({{"TIOCMGET", "TCSETS2 9600", "TCGETS2 9600", "TCFLSH"}, pulse, {"read fails", "TCSETS2 as before"}}), "", PulseOutcome::Interrupted},
        {"unplugged while waiting", "ready", {}, 1, 1, WaitResult{WaitEnd::CheckFailed, EIO}, 0,
         concat({{"TIOCMGET", "TCSETS2 9600", "TCGETS2 9600", "TCFLSH"}, pulse, {"read fails", "TCSETS2 as before"}}), "", PulseOutcome::Disappeared},
        {"not a serial line", "ready", {}, 1, 0, {}, ENOTTY, {"TIOCMGET", "TCSETS2 9600 fails"}, "", PulseOutcome::NotModemPort},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedPort port;
        port.lines = 0x06;
        port.hangupOnClose = false;
        port.answers = c.answers;
        port.failingRead = c.failingRead;
        port.readEnd = c.readEnd;
        port.configureError = c.configureError;
        std::string shown;
        const ExpectRequest request{c.wanted, 9600, 500, c.tries};
        const PulseReport report = expectAnswer(
            port, port, request, [&port] { return pulseSerial(port, PulseLines::Dtr, false, 50); },
            [&shown](const std::string& text) { shown += text; });
        EXPECT_EQ(port.log, c.log);
        EXPECT_EQ(shown, c.shown);
        EXPECT_EQ(report.outcome, c.outcome);
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
          "TIOCMBIS 06", "TIOCMGET", "read nothing", "TCSETS2 as before"},
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
            port, port, ExpectRequest{"ready", c.asked, 500, 1}, [&port] { return pulseSerial(port, PulseLines::Dtr, false, 50); },
            [](const std::string&) {});
        EXPECT_EQ(port.log, c.log);
        EXPECT_EQ(report.outcome, c.outcome);
        EXPECT_EQ(report.detail, c.detail);
    }
}

struct ParallelCase {
    const char* name;
    bool inverted;
    uint8_t keptData;
    std::map<std::string, int> errors;
    WaitResult waitResult;
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
        {"SIGHUP during the wait", false, 0xFF, {}, WaitResult{WaitEnd::EndingSignal, SIGHUP},
         {"PPCLAIM", "PPDATADIR forward", "PPWDATA 55", "wait 30", "PPWDATA AA", "PPRELEASE"}, PulseOutcome::Interrupted, SIGHUP},
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

// --- the wait's check ------------------------------------------------------

TEST(Wait, ChecksThePortBeforeTheDeadlineAndStopsWhenItIsGone)
{
    using Clock = std::chrono::steady_clock;
    // Check points lie whole intervals before the deadline: 250 ms has two.
    int checks = 0;
    auto start = Clock::now();
    WaitResult result = waitMilliseconds(250, [&checks] {
        ++checks;
        return 0;
    });
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(250));
    EXPECT_EQ(result.end, WaitEnd::Elapsed);
    EXPECT_EQ(checks, 2);

    // A port that is gone ends a long wait at the first check point.
    start = Clock::now();
    result = waitMilliseconds(20000, [] { return ENODEV; });
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(5));
    EXPECT_EQ(result.end, WaitEnd::CheckFailed);
    EXPECT_EQ(result.detail, ENODEV);
}

// --- texts -----------------------------------------------------------------

TEST(Messages, OneLinePerFailureWithAdvice)
{
    const std::string path = "/dev/ttyUSB0";
    const DeviceOwner dialout{"dialout", true};
    const struct {
        const char* name;
        std::string text;
        std::string expected;
    } cases[] = {
        {"missing", openFailureText(ENOENT, path, dialout), "no such port: /dev/ttyUSB0"},
        {"refused, group may open", openFailureText(EACCES, path, dialout),
         "permission denied: /dev/ttyUSB0 (group dialout: add your user to it and log in again)"},
        {"refused, group may not open", openFailureText(EACCES, path, DeviceOwner{"dialout", false}),
         "permission denied: /dev/ttyUSB0 (only its owner may open it: ask the administrator)"},
        {"refused, group root", openFailureText(EPERM, path, DeviceOwner{"root", true}),
         "permission denied: /dev/ttyUSB0 (only its owner may open it: ask the administrator)"},
        {"no device behind the file", openFailureText(ENXIO, path, dialout),
         "no such port: /dev/ttyUSB0 (no device behind the file)"},
        {"exclusive", openFailureText(EBUSY, path, dialout),
         "port busy: /dev/ttyUSB0 (another program holds it exclusively)"},
        {"other errno", openFailureText(EMFILE, path, dialout), "cannot open /dev/ttyUSB0: Too many open files"},
        {"no modem lines", pulseFailureText({PulseOutcome::NotModemPort, ENOTTY, ""}, "/dev/pts/3"),
         "not a serial port with modem control lines: /dev/pts/3"},
        {"unplugged", pulseFailureText({PulseOutcome::Disappeared, EIO, "waiting"}, path),
         "port disappeared: /dev/ttyUSB0 (Input/output error)"},
        {"parallel port held", pulseFailureText({PulseOutcome::Busy, EBUSY, ""}, "/dev/parport0"),
         "parallel port busy: /dev/parport0 (another driver holds it)"},
        {"no UART behind the file", pulseFailureText({PulseOutcome::NoDevice, EIO, ""}, "/dev/ttyS1"),
         "no such port: /dev/ttyS1 (no device behind the file)"},
        {"read-back", pulseFailureText({PulseOutcome::ReadBackFailed, 0, ""}, path),
         "read-back failed: /dev/ttyUSB0 (the lines did not keep the levels written)"},
        {"other failure", pulseFailureText({PulseOutcome::Failed, EINVAL, "clearing HUPCL"}, path),
         "cannot drive /dev/ttyUSB0: clearing HUPCL: Invalid argument"},
        {"rate not taken", rateRefusedText("/dev/ttyS0", 230400, 9600),
         "cannot run /dev/ttyS0 at 230400 Baud: its driver keeps 9600 Baud"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.text, c.expected);
    }
}

TEST(PortList, SysfsFactsBecomeOrderedLines)
{
    const std::vector<TtyFacts> ttys = {
        {"ttyS10", true, true, "4\n", "", "", ""},
        {"ttyUSB0", true, false, "", "0403\n", "6001\n", "FT232R USB UART\n"},
        {"ttyS1", true, true, "0\n", "", "", ""},  // legacy entry, no UART
        {"tty0", false, false, "", "", "", ""},    // virtual console
        {"ttyS2", true, true, "4\n", "", "", ""},
        {"ttyACM0", true, false, "", "2341", "0043", ""},
        {"ttyGS0", true, false, "", "", "", ""},
    };
    const std::vector<StableLink> links = {
        {"/dev/serial/by-id/usb-Arduino-if00", "../../ttyACM0"},
        {"/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A1-if00-port0", "../../ttyUSB0"},
    };
    std::vector<std::string> lines;
    std::vector<PortListing> listings;
    for (const ListedPort& port : portsToList(ttys, {"parport1", "parport0"})) {
        const bool isUsb = port.device == "/dev/ttyUSB0";
        const AccessFacts access{port.device != "/dev/ttyGS0", !isUsb, isUsb ? "dialout" : "lp"};
        listings.push_back(PortListing{port, stableNameFor(port.device, links), access});
        lines.push_back(listLine(listings.back()));
    }
    const std::vector<std::string> expected = {
        "/dev/ttyACM0\t/dev/serial/by-id/usb-Arduino-if00\tUSB serial 2341:0043\tyou may open it",
        "/dev/ttyGS0\t-\tserial port\tno device file",
        "/dev/ttyS2\t-\ton-board UART\tyou may open it",
        "/dev/ttyS10\t-\ton-board UART\tyou may open it",
        "/dev/ttyUSB0\t/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A1-if00-port0\tUSB serial 0403:6001 FT232R USB UART\t"
        "no access (group dialout)",
        "/dev/parport0\t-\tparallel port\tyou may open it",
        "/dev/parport1\t-\tparallel port\tyou may open it",
    };
    EXPECT_EQ(lines, expected);

    // The same facts as JSON, one object a port.
    const std::string json = listJson(listings);
    const std::string adapter = "{\n"
                                "    \"device\": \"/dev/ttyUSB0\",\n"
                                "    \"by_id\": \"/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A1-if00-port0\",\n"
                                "    \"kind\": \"USB serial\",\n"
                                "    \"usb_vendor\": \"0403\",\n"
                                "    \"usb_product\": \"6001\",\n"
                                "    \"product\": \"FT232R USB UART\",\n"
                                "    \"access\": \"no access (group dialout)\",\n"
                                "    \"may_open\": false\n"
                                "  }";
    EXPECT_NE(json.find(adapter), std::string::npos) << json;
    EXPECT_NE(json.find("\"access\": \"no device file\",\n    \"may_open\": false"), std::string::npos) << json;
    EXPECT_EQ(json.substr(0, 5), "[\n  {");
}

TEST(PortList, NaturalOrder)
{
    const struct {
        const char* left;
        const char* right;
        bool less;
    } cases[] = {
        {"ttyS2", "ttyS10", true}, {"ttyS10", "ttyS2", false}, {"ttyS2", "ttyS2", false},
        {"ttyS", "ttyS0", true},   {"ttyACM9", "ttyS0", true}, {"tty007", "tty7", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.left) + " < " + c.right);
        EXPECT_EQ(naturalLess(c.left, c.right), c.less);
    }
}

}  // namespace
}  // namespace korvane_reset
