// End to end: the built korvane-reset on what this machine may safely be
// given: /dev/null, pseudo terminals, missing paths, folders and the pseudo
// port null. Real serial and parallel ports are driven only in the emulated
// PC of tests/emulated_pc.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <pty.h>
#include <string>
#include <termios.h>
#include <unistd.h>
#include <vector>

#include "common/command_line_frame.h"
#include "korvane-reset/command_line.h"
#include "run_program.h"

namespace korvane_reset {
namespace {

using Clock = std::chrono::steady_clock;

std::string errorText(const std::string& text)
{
    return "korvane-reset: " + text + "\n";
}

// A pseudo terminal pair, closed again afterwards.
struct PseudoTerminal {
    int master = -1;
    int slave = -1;
    std::string path;
    PseudoTerminal()
    {
        char name[128] = {};
        if (openpty(&master, &slave, name, nullptr, nullptr) == 0) {
            path = name;
        }
    }
    ~PseudoTerminal()
    {
        close(master);
        close(slave);
    }
};

TEST(KorvaneResetProgram, HelpAndVersionOnStandardOutput)
{
    ScratchDirectory scratch;
    for (const char* option : {"--help", "-h"}) {
        const ProgramRun run = runProgram(KORVANE_RESET_PROGRAM, {option, "ttyS0"}, scratch.path());
        EXPECT_EQ(run.out, joinLines(helpLines()));
        EXPECT_EQ(run.err, "");
        EXPECT_EQ(run.exitStatus, 0);
    }
    const ProgramRun version = runProgram(KORVANE_RESET_PROGRAM, {"--version"}, scratch.path());
    EXPECT_EQ(version.out, joinLines({common::versionLine(programName)}));
    EXPECT_EQ(version.exitStatus, 0);
    // A help screen that cannot be written is no success.
    EXPECT_EQ(runProgram(KORVANE_RESET_PROGRAM, {"--help"}, scratch.path(), OutputTarget::DevFull).exitStatus, 1);
}

TEST(KorvaneResetProgram, OneErrorLineAndStatusOneForEveryFault)
{
    PseudoTerminal terminal;
    ASSERT_FALSE(terminal.path.empty());
    termios before{};
    ASSERT_EQ(tcgetattr(terminal.slave, &before), 0);
    ScratchDirectory scratch;
    const std::string hint = "; try 'korvane-reset --help'";
    const std::string notModem = "not a serial port with modem control lines: ";
    const std::string noSuch = "no such port: ";
    const struct {
        std::vector<std::string> arguments;
        std::string err;
        std::string windowsErr;  // where the Windows program says otherwise
    } cases[] = {
        {{"/dev/null"}, errorText(notModem + "/dev/null"), errorText(noSuch + "/dev/null")},
        {{terminal.path, "5"}, errorText(notModem + terminal.path), errorText(noSuch + terminal.path)},
        {{"--line=both", terminal.path}, errorText(notModem + terminal.path), errorText(noSuch + terminal.path)},
        {{"/dev/korvane-no-such-port"}, errorText(noSuch + "/dev/korvane-no-such-port"), ""},
        {{"korvane-no-such-port"}, errorText(noSuch + "/dev/korvane-no-such-port"), errorText(noSuch + "korvane-no-such-port")},
        {{scratch.path() + "/missing/ttyUSB0"}, errorText(noSuch + scratch.path() + "/missing/ttyUSB0"), ""},
        {{scratch.path()}, errorText(notModem + scratch.path()), errorText(noSuch + scratch.path())},
        {{"null", "0"}, errorText("invalid pulse width: 0 (1 to 65535 ms)" + hint), ""},
        {{"--sequence=D0|W0.05|U1,1", terminal.path}, errorText(notModem + terminal.path), errorText(noSuch + terminal.path)},
        // The line's rate is set and put back before the pulse finds no modem lines.
        {{"--expect=ready", "--baud=115200", terminal.path}, errorText(notModem + terminal.path), errorText(noSuch + terminal.path)},
        {{"--expect=ready", "--baud=9600", "null"}, errorText("--expect needs a serial port: null only waits"), ""},
        {{"--probe", "--expect=ready", terminal.path}, errorText(notModem + terminal.path), errorText(noSuch + terminal.path)},
        {{"--probe", "--expect=ready", "null"}, errorText("--probe needs a serial port: null only waits"), ""},
        {{"--sequence=D0|Q", "/dev/korvane-no-such-port"},
         errorText("invalid step in --sequence: 'Q' (D0, D1, R0, R1, U0,1 or a wait such as W0.05, separated by |)" + hint), ""},
        {{"--speed", "null"}, errorText("unknown option: --speed" + hint), ""},
        {{}, errorText("no port given" + hint), ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments.empty() ? "(no arguments)" : c.arguments[0]);
        const ProgramRun run = runProgram(KORVANE_RESET_PROGRAM, c.arguments, scratch.path());
        EXPECT_EQ(run.out, "");
        // The Windows program knows only COM ports (those are tested in
        // tests/windows/reset_on_com_ports.sh): any other name is no port to it.
        EXPECT_EQ(run.err, programsAreWindowsBuilds() && !c.windowsErr.empty() ? c.windowsErr : c.err);
        EXPECT_EQ(run.exitStatus, 1);
    }
    // Nothing was made in the scratch folder, and the terminal kept its settings.
    const ProgramRun listing = runProgram("/bin/ls", {"-A", scratch.path()}, scratch.path());
    EXPECT_EQ(listing.out, "");
    termios after{};
    ASSERT_EQ(tcgetattr(terminal.slave, &after), 0);
    EXPECT_EQ(after.c_cflag, before.c_cflag);
}

TEST(KorvaneResetProgram, NullWaitsAndEndsBySignalWhenInterrupted)
{
    ScratchDirectory scratch;
    // null waits the pulse width, or the waits of a sequence added up.
    const struct {
        std::vector<std::string> arguments;
        int milliseconds;
    } waits[] = {{{"null", "30"}, 30}, {{"null"}, 50}, {{"--sequence=W0.02|D1|W0.04", "null"}, 60}};
    for (const auto& [arguments, milliseconds] : waits) {
        const auto start = Clock::now();
        const ProgramRun run = runProgram(KORVANE_RESET_PROGRAM, arguments, scratch.path());
        EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(milliseconds));
        EXPECT_EQ(run.out + run.err, "");
        EXPECT_EQ(run.exitStatus, 0);
    }
    // SIGTERM a fifth of a second into a long wait: the program ends by the
    // signal at once, as the shell sees (128 + 15).
    const auto start = Clock::now();
    const ProgramRun run = runProgram(
        "/bin/sh", {"-c", "\"$0\" null 20000 2>err & sleep 0.2; kill -TERM $!; wait $!; echo $?; cat err", KORVANE_RESET_PROGRAM},
        scratch.path());
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(10));
    // Nothing printed by the program (the shell may say "Terminated").
    EXPECT_EQ(run.out, "143\n");
}

TEST(KorvaneResetProgram, ListShowsFourFieldsALine)
{
    ScratchDirectory scratch;
    const ProgramRun run = runProgram(KORVANE_RESET_PROGRAM, {"--list"}, scratch.path());
    EXPECT_EQ(run.exitStatus, 0);
    EXPECT_EQ(run.err, "");
    ASSERT_FALSE(run.out.empty());
    size_t start = 0;
    for (size_t end = run.out.find('\n'); end != std::string::npos; start = end + 1, end = run.out.find('\n', start)) {
        const std::string line = run.out.substr(start, end - start);
        SCOPED_TRACE(line);
        if (line != "no serial or parallel ports found") {
            EXPECT_EQ(std::count(line.begin(), line.end(), '\t'), 3);
            const std::string device = programsAreWindowsBuilds() ? "COM" : "/dev/";
            EXPECT_EQ(line.compare(0, device.size(), device), 0);
        }
    }
    EXPECT_EQ(start, run.out.size());
}

}  // namespace
}  // namespace korvane_reset
