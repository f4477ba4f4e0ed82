// End to end: the built korvane-baud, its exit statuses and error lines, and
// every row of its answer against what the built mardeluk prints and writes
// for the same parameters.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "calculator/number_text.h"
#include "korvane-baud/command_line.h"
#include "run_program.h"

namespace korvane_baud {

namespace {

using Json = nlohmann::json;

// --help wins over a bad option; output that cannot be written is no success.
TEST(KorvaneBaudProgram, HelpWinsAndAFullOutputFails)
{
    ScratchDirectory scratch;
    const ProgramRun help = runProgram(KORVANE_BAUD_PROGRAM, {"--clock=x", "-h"}, scratch.path());
    EXPECT_EQ(help.out, joinLines(helpLines()));
    EXPECT_EQ(help.exitStatus, 0);
    EXPECT_EQ(runProgram(KORVANE_BAUD_PROGRAM, {"--clock=12"}, scratch.path(), OutputTarget::DevFull).exitStatus, 1);
}

TEST(KorvaneBaudProgram, OneErrorLineAndStatusOneForBadInput)
{
    ScratchDirectory scratch;
    const std::string ones(5000, '1');
    const std::string hint = "; try 'korvane-baud --help'\n";
    const struct {
        std::vector<std::string> arguments;
        std::string err;
    } cases[] = {
        {{}, "give the clocks to survey (--clock) or the rates to find crystals for (--rate)"},
        {{"--json"}, "give the clocks to survey (--clock) or the rates to find crystals for (--rate)"},
        {{"--clock="}, "--clock '': an empty item"},
        {{"--clock", "12,,16"}, "--clock '12,,16': an empty item"},
        {{"-c", "12,"}, "--clock '12,': an empty item"},
        {{"--clock=12,x"}, "--clock '12,x': x is not a number"},
        {{"--clock=-12"}, "--clock '-12': -12 is out of range (above 0, at most 1000 MHz)"},
        {{"--clock=0"}, "--clock '0': 0 is out of range (above 0, at most 1000 MHz)"},
        {{"--clock=1E400"}, "--clock '1E400': 1E400 is out of range (above 0, at most 1000 MHz)"},
        {{"--clock=1000.001"}, "--clock '1000.001': 1000.001 is out of range (above 0, at most 1000 MHz)"},
        {{"--rate=9600,0"}, "--rate '9600,0': 0 is out of range (above 0, at most 10000000 Baud)"},
        {{"--rate=1e8"}, "--rate '1e8': 1e8 is out of range (above 0, at most 10000000 Baud)"},
        {{"--rate=9600 "}, "--rate '9600 ': 9600  is not a number"},
        {{"--clock=12", "--generator=T1,T3"}, "--generator 'T1,T3': T3 is no generator (T1, T2, BG, BA or D1)"},
        {{"--clock=12", "--accuracy=5.0001"}, "--accuracy '5.0001': out of range (0 to 5 %)"},
        {{"--clock=12", "-a", "-0.1"}, "--accuracy '-0.1': out of range (0 to 5 %)"},
        {{"--clock=12", "--accuracy=1%"}, "--accuracy '1%': not a number"},
        {{"--clock=12", "--adapter=pl2303"}, "--adapter 'pl2303': no such adapter (exact, 16550, ftdi or ch340)"},
        {{"--clock=12", "--frobnicate"}, "unknown option: --frobnicate"},
        {{"--clock=12", "-x"}, "unknown option: -x"},
        {{"--clock=12", "--json=yes"}, "option --json takes no value"},
        {{"--clock=12", "--a=1"}, "ambiguous option: --a (--accuracy or --adapter)"},
        // Digits beyond the extended type: infinity over infinity was NaN,
        // which passed the range check.
        {{"--clock=12", "--accuracy=" + ones + "." + ones}, "--accuracy '" + ones + "." + ones + "': out of range (0 to 5 %)"},
        {{"--clock"}, "option --clock needs a value"},
        {{"--clock=12", "9600"}, "unexpected argument: 9600"},
    };
    for (const auto& c : cases) {
        const ProgramRun run = runProgram(KORVANE_BAUD_PROGRAM, c.arguments, scratch.path());
        EXPECT_EQ(run.err, "korvane-baud: " + c.err + hint) << ::testing::PrintToString(c.arguments);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.exitStatus, 1);
    }
}

// A generator named twice is one generator, listed once.
TEST(KorvaneBaudProgram, AGeneratorNamedTwiceIsListedOnce)
{
    ScratchDirectory scratch;
    const ProgramRun twice = runProgram(KORVANE_BAUD_PROGRAM, {"--clock=12", "-g", "T1,t1,BG,T1"}, scratch.path());
    EXPECT_EQ(twice.out, runProgram(KORVANE_BAUD_PROGRAM, {"--clock=12", "-g", "T1,BG"}, scratch.path()).out);
    EXPECT_NE(twice.out, "");
}

// Status 2 for a rate met nowhere; 3 for a rate that every board could
// meet but the PC's adapter cannot make; 2 wins over 3.
TEST(KorvaneBaudProgram, StatusTwoOrThreeWhenARateIsNotMet)
{
    ScratchDirectory scratch;
    const struct {
        std::vector<std::string> arguments;
        int status;
        std::string lastLine;
    } cases[] = {
        {{"--clock=11.0592"}, 0, "frames (9 data bits or parity); the frame columns show the margin left."},
        {{"--clock=12", "--generator=BG"}, 2,
         "  300.00, 600.00, 1200.0, 2400.0, 19200, 38400, 57600 and 115200 Baud."},
        {{"--clock=12,11.0592", "--rate=9600,19200", "-g", "bg"}, 2,
         "  19200 Baud."},
        {{"--rate=9600,115200"}, 0, "frames (9 data bits or parity); the frame columns show the margin left."},
        {{"--rate=115200", "-g", "BG"}, 2, "  115200 Baud."},
        // Exactly 10 % off is a setting, but no accuracy allowed meets it.
        {{"--clock=11.0592", "--rate=38400", "-g", "D1", "-a", "5"}, 2, "  38400 Baud."},
        {{"--clock=16", "--rate=250000", "--adapter=16550", "-g", "T2"}, 3, "  250000 Baud."},
        {{"--rate=9600,230400", "--adapter=16550"}, 3, "  230400 Baud."},
        {{"--clock=12", "--rate=19200,230400", "--adapter=16550", "-g", "BG"}, 2, "  230400 Baud."},
    };
    for (const auto& c : cases) {
        const ProgramRun run = runProgram(KORVANE_BAUD_PROGRAM, c.arguments, scratch.path());
        EXPECT_EQ(run.exitStatus, c.status) << ::testing::PrintToString(c.arguments);
        EXPECT_EQ(run.err, "");
        ASSERT_GE(run.out.size(), 2u);
        const std::string withoutEnd = run.out.substr(0, run.out.size() - 1);
        EXPECT_EQ(withoutEnd.substr(withoutEnd.rfind('\n') + 1), c.lastLine) << ::testing::PrintToString(c.arguments);
    }
}

// A rate that the PC cannot make is said with the reason, in the text and
// as null in JSON; whole row lines show that the columns keep apart.
TEST(KorvaneBaudProgram, SaysWhyThePcCannotMakeARate)
{
    ScratchDirectory scratch;
    const struct {
        std::vector<std::string> arguments;
        std::string line;
    } cases[] = {
        {{"--clock=11.0592", "--rate=115200,230400", "--adapter=16550"},
         "230400 Baud, which the PC cannot make: its driver keeps the port's old rate"},
        {{"--clock=11.0592", "--rate=115200", "--adapter=16550"}, "115200 Baud, the PC makes 115200 Baud"},
        {{"--clock=11.0592", "--rate=2500000", "--adapter=ftdi"},
         "2500000 Baud, which the PC cannot make: no divisor of the hardware gives it"},
        {{"--rate=9600,230400", "--adapter=16550"},
         "The PC cannot make 230400 Baud: its driver keeps the port's old rate."},
        {{"--clock=16", "--rate=250000", "--adapter=16550", "-g", "T2"},
         "  T2*  0FFFEH -    -       250000    0.00 %  yes  no PC rate       -       -"},
        // The largest deviation that is still a setting.
        {{"--clock=11.0592", "--rate=38400", "-g", "D1,T1"},
         "  D1*  0FBH   080H 011H     34560   10.00 %   no    -10.00 %   fails   fails"},
        {{"--clock=11.0592", "--rate=38400", "-g", "D1,T1"}, "  T1  cannot come within 10 % of the rate"},
    };
    for (const auto& c : cases) {
        const ProgramRun run = runProgram(KORVANE_BAUD_PROGRAM, c.arguments, scratch.path());
        EXPECT_NE(("\n" + run.out).find("\n" + c.line + "\n"), std::string::npos) << run.out;
    }
    const ProgramRun json =
        runProgram(KORVANE_BAUD_PROGRAM, {"--json", "--clock=11.0592", "--rate=230400", "--adapter=16550"}, scratch.path());
    EXPECT_EQ(json.exitStatus, 2);  // no generator meets it either
    const Json document = Json::parse(json.out);
    EXPECT_EQ(document["unmade_rates"], Json::array({230400.0}));
    EXPECT_EQ(document["unmet_rates"], Json::array({230400.0}));
    for (const Json& row : document["rows"]) {
        EXPECT_TRUE(row["pc_baud"].is_null());
        EXPECT_TRUE(row["link_error"].is_null());
    }
}

// One clock fits a terminal of 80 columns, whatever the adapter.
TEST(KorvaneBaudProgram, OneClockFitsEightyColumns)
{
    ScratchDirectory scratch;
    for (const char* adapter : {"exact", "16550", "FTDI", "Ch340"}) {  // names in any letter case
        for (const char* mode : {"--clock=3.579545", "--rate=300,9600,57600"}) {
            const ProgramRun run = runProgram(KORVANE_BAUD_PROGRAM, {mode, "--adapter", adapter}, scratch.path());
            std::istringstream lines(run.out);
            std::string line;
            while (std::getline(lines, line)) {
                EXPECT_LE(line.size(), 80u) << adapter << ": " << line;
            }
        }
    }
}

// The value after "EQU " on the line of korvane.inc that starts with `name`,
// as a number: "0FDH" is 253; -1 when there is no such line.
int includeValue(const std::string& include, const std::string& name)
{
    const size_t at = include.find("\t" + name);
    if (at == std::string::npos) {
        return -1;
    }
    const size_t start = include.find("EQU ", at) + 4;
    const std::string text = include.substr(start, include.find('\n', start) - start);
    return text.back() == 'H' ? std::stoi(text.substr(0, text.size() - 1), nullptr, 16) : std::stoi(text);
}

// The row's answer against mardeluk's: the verdict (written, insufficient
// accuracy, cannot be generated), the resulting rate and the settings.
void expectAgreement(const Json& row, const std::vector<std::string>& arguments, const std::string& folder)
{
    const std::string where = ::testing::PrintToString(arguments);
    const ProgramRun run = runProgram(MARDELUK_PROGRAM, arguments, folder);
    const std::string include = readFile(folder + "/korvane.inc");
    std::remove((folder + "/korvane.inc").c_str());
    if (!row["reachable"].get<bool>()) {
        EXPECT_NE(run.out.find("@@@@@ baudrate cannot be generated @@@@@"), std::string::npos) << where;
        return;
    }
    const std::string deviation = calculator::percentText(row["deviation"].get<double>());
    if (!row["within_accuracy"].get<bool>()) {
        EXPECT_NE(run.out.find("@@@@@ insufficient accuracy: " + deviation + " % @@@@@"), std::string::npos) << where;
        return;
    }
    ASSERT_EQ(run.exitStatus, 0) << where << run.out << run.err;
    EXPECT_NE(include.find("resulting baudrate:      " + calculator::baudText(row["resulting_baud"].get<double>()) + " Baud"),
              std::string::npos)
        << where;
    for (const char* name : {"RELOAD", "SMOD", "PRESCALE"}) {
        const std::string key = name == std::string("RELOAD") ? "reload" : (name == std::string("SMOD") ? "smod" : "prescale");
        EXPECT_EQ(row[key].is_null() ? -1 : row[key].get<int>(), includeValue(include, name)) << where << " " << name;
    }
}

TEST(KorvaneBaudProgram, EveryRowAgreesWithMardeluk)
{
    ScratchDirectory scratch;
    std::mt19937 random(20261209);
    std::uniform_real_distribution<double> logClock(0.0, 1.7);   // 1 to 50 MHz
    std::uniform_real_distribution<double> logRate(1.7, 5.4);    // 50 to 250000 Baud
    std::uniform_int_distribution<int> accuracyHundredths(0, 500);
    const char* const standard[] = {"300", "1200", "9600", "19200", "57600", "115200"};
    int compared = 0;
    for (int run = 0; run < 30; ++run) {
        char clock[32];
        char rate[32];
        char accuracy[32];
        std::snprintf(clock, sizeof clock, "%.6f", std::pow(10.0, logClock(random)));
        std::snprintf(rate, sizeof rate, "%.2f", std::pow(10.0, logRate(random)));
        std::snprintf(accuracy, sizeof accuracy, "%d.%02d", accuracyHundredths(random) / 100,
                      accuracyHundredths(random) % 100);
        const std::string rates = std::string(rate) + "," + standard[run % 6];
        const ProgramRun survey = runProgram(
            KORVANE_BAUD_PROGRAM, {"--json", "--clock", clock, "--rate", rates, "--accuracy", accuracy}, scratch.path());
        ASSERT_LE(survey.exitStatus, 2) << survey.err;
        const Json document = Json::parse(survey.out);
        ASSERT_EQ(document["rows"].size(), 10u);
        for (const Json& row : document["rows"]) {
            const std::string nominal = row["nominal_baud"].get<double>() == std::stod(rate) ? rate : standard[run % 6];
            expectAgreement(row, {nominal, row["generator"].get<std::string>(), accuracy, clock}, scratch.path());
            ++compared;
        }
    }
    EXPECT_EQ(compared, 300);
}

}  // namespace

}  // namespace korvane_baud
