// End-to-end: the built mardeluk in a scratch folder, its standard output,
// standard error and exit status compared byte for byte.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "run_program.h"

namespace mardeluk {

namespace {

const std::string banner = "\nCustomization Program for KORVANE V1.1\n\n";

const std::string helpScreen =
    "usage:  mardeluk <baudrate> [<timer> [<accuracy> [<clock> [<start> [<user>]]]]]\n"
    "\n"
    "parameter     meaning              min.      max.     unit    default    type\n"
    "-----------------------------------------------------------------------------\n"
    "<baudrate>    nominal baudrate    >0.0       ---      Baud      ---      real\n"
    "<timer>       baudrate generator   T1,T2,BG,BA,D1     ---        T1    string\n"
    "<accuracy>    required accuracy    0.0       5.0       %        1.0      real\n"
    "<clock>       clock frequency     >0.0       ---      MHz     11.0592    real\n"
    "<start>       start address       0000H     FFFFH     ---      0000H     word\n"
    "<user>        user programs       0000H     FFFFH     ---      8000H     word\n"
    "\n"
    "<baudrate> is the nominal baudrate for the on-chip UART in bits per second.\n"
    "<timer> is the MCU timer used for baudrate generation: T1 is timer 1 of the\n"
    "8051. T2 is timer 2 of the 8052. BG is the internal baudrate generator of\n"
    "the 80535, BA is the same for the 80C515A, and D1 is timer 1 of the 80C320.\n"
    "<accuracy> is the required precision of the generated baudrate in %.\n"
    "<clock> is the system clock frequency in MHz. <start> is the start address\n"
    "of the boot program, and <user> that of the user programs in external RAM.\n"
    "\n"
    "Examples:  mardeluk 9600 BG 0.1 12    (creates include file for a 12 MHz 80535)\n"
    "---------  mardeluk                   (displays this help screen)  \n";

std::string parameterError(const std::string& line)
{
    return banner + line + "\n\ntype 'mardeluk' for help\n";
}

struct Settings {
    const char* start;
    const char* user;
    const char* clock;
    const char* generator;
    const char* nominal;
    const char* accuracy;
};

std::string settingsBlock(const Settings& s)
{
    return banner + "KORVANE start address:       " + s.start + "\n" +
           "user program start address:  " + s.user + "\n" +
           "system clock frequency:      " + s.clock + " MHz\n" +
           "baudrate generator:          " + s.generator + "\n" +
           "nominal baudrate:            " + s.nominal + " Baud\n" +
           "required accuracy:           " + s.accuracy + " %\n";
}

const Settings defaults9600{"0000H", "8000H", "11.0592", "timer 1", "9600.0", "1.00"};

struct Case {
    std::vector<std::string> arguments;
    std::string out;
    int exitStatus;
};

ProgramRun runMardeluk(const std::vector<std::string>& arguments, OutputTarget target = OutputTarget::Captured)
{
    ScratchDirectory scratch;
    return runProgram(MARDELUK_PROGRAM, arguments, scratch.path(), target);
}

void checkCases(const std::vector<Case>& cases)
{
    for (const Case& c : cases) {
        std::string shown;
        for (const std::string& argument : c.arguments) {
            shown += "[" + argument + "]";
        }
        SCOPED_TRACE("mardeluk " + shown);
        const ProgramRun run = runMardeluk(c.arguments);
        EXPECT_EQ(run.out, c.out);
        EXPECT_EQ(run.err, "");
        EXPECT_EQ(run.exitStatus, c.exitStatus);
    }
}

TEST(MardelukProgram, HelpScreenAndParameterErrors)
{
    std::vector<Case> cases = {
        {{}, banner + helpScreen, 1},
        {{"-h"}, parameterError("@@@@@ illegal real number: -h @@@@@"), 1},
        {{"x", "1", "2", "3", "4", "5", "seventh", "eighth"},
         parameterError("@@@@@ too many parameters: seventh @@@@@"), 1},
        {{"9600", "t3"}, parameterError("@@@@@ unknown baudrate generator: t3 @@@@@"), 1},
        {{"9600", "T1 "}, parameterError("@@@@@ unknown baudrate generator: T1  @@@@@"), 1},
        {{"0"}, parameterError("@@@@@ baudrate out of range: 0 @@@@@"), 1},
        {{"-9600"}, parameterError("@@@@@ baudrate out of range: -9600 @@@@@"), 1},
        {{"1E400"}, parameterError("@@@@@ baudrate out of range: 1E400 @@@@@"), 1},
        {{"1E99999999999999999999"}, parameterError("@@@@@ baudrate out of range: 1E99999999999999999999 @@@@@"), 1},
        {{"0E999999"}, parameterError("@@@@@ baudrate out of range: 0E999999 @@@@@"), 1},
        {{"9600", "T1", "5.0001"}, parameterError("@@@@@ accuracy out of range: 5.0001 @@@@@"), 1},
        {{"9600", "T1", "-0.1"}, parameterError("@@@@@ accuracy out of range: -0.1 @@@@@"), 1},
        {{"9600", "T1", "1E400"}, parameterError("@@@@@ accuracy out of range: 1E400 @@@@@"), 1},
        {{"9600", "T1", "1", "0"}, parameterError("@@@@@ clock frequency out of range: 0 @@@@@"), 1},
        {{"9600", "T1", "1", "1E400"}, parameterError("@@@@@ clock frequency out of range: 1E400 @@@@@"), 1},
        {{"9600", "T1", "1", "12", "10000"}, parameterError("@@@@@ address out of range: 10000 @@@@@"), 1},
        {{"9600", "T1", "1", "12", "0", "FFFFFFFF"},
         parameterError("@@@@@ address out of range: FFFFFFFF @@@@@"), 1},
    };
    for (const char* text : {"9600 ", "9600x", "9,6", ".", "E3", "1E", "1E+", "inf"}) {
        cases.push_back({{text}, parameterError(std::string("@@@@@ illegal real number: ") + text + " @@@@@"), 1});
    }
    cases.push_back({{""}, parameterError("@@@@@ illegal real number:  @@@@@"), 1});
    cases.push_back({{"9600", "T1", "1", "x"}, parameterError("@@@@@ illegal real number: x @@@@@"), 1});
    for (const char* text : {"123456789", "H", "", "12 ", "$FF", "0x10", "1HH"}) {
        cases.push_back({{"9600", "T1", "1", "12", text},
                         parameterError(std::string("@@@@@ invalid hex number: ") + text + " @@@@@"), 1});
        cases.push_back({{"9600", "T1", "1", "12", "0", text},
                         parameterError(std::string("@@@@@ invalid hex number: ") + text + " @@@@@"), 1});
    }
    checkCases(cases);
}

TEST(MardelukProgram, LongArgumentsAreCutBeforeTheyAreShownWhole)
{
    // An argument is cut to 255 characters when it is read; the error line
    // shows what is left of it whole, however long the line grows.
    std::vector<Case> cases;
    for (size_t length : {254, 255, 256, 300}) {
        const std::string shown(std::min<size_t>(length, 255), 'x');
        const std::string hexShown(std::min<size_t>(length, 255), 'G');
        cases.push_back({{std::string(length, 'x')}, parameterError("@@@@@ illegal real number: " + shown + " @@@@@"), 1});
        cases.push_back({{"9600", std::string(length, 'x')},
                         parameterError("@@@@@ unknown baudrate generator: " + shown + " @@@@@"), 1});
        cases.push_back({{"9600", "T1", "1", "12", std::string(length, 'G')},
                         parameterError("@@@@@ invalid hex number: " + hexShown + " @@@@@"), 1});
        cases.push_back({{"9600", "T1", "1", "12", "0", "0", std::string(length, 'x')},
                         parameterError("@@@@@ too many parameters: " + shown + " @@@@@"), 1});
    }
    const std::string blanksAndTail = std::string(250, ' ') + "9600x";
    cases.push_back({{"10500", "T2", blanksAndTail}, parameterError("@@@@@ illegal real number: " + blanksAndTail + " @@@@@"), 1});
    checkCases(cases);
}

TEST(MardelukProgram, SettingsAreEchoedInTheirTextForms)
{
    const std::string exact9600 = "\nresulting baudrate:          9600.0 Baud\n";
    std::vector<Case> cases = {
        {{"9600"}, settingsBlock(defaults9600) + exact9600, 0},
        {{"9600", "t1", "1", "11.0592", "ffffh", "0"},
         settingsBlock({"FFFFH", "0000H", "11.0592", "timer 1", "9600.0", "1.00"}) + exact9600, 0},
        {{"9600", "T1", "0.1", "11.0592", "0FFFFH", "000000000000FFFF"},
         settingsBlock({"FFFFH", "FFFFH", "11.0592", "timer 1", "9600.0", "0.10"}) + exact9600, 0},
        {{"9600", "T1", "0"}, settingsBlock({"0000H", "8000H", "11.0592", "timer 1", "9600.0", "0.00"}) + exact9600, 0},
        {{"9600", "T1", "5"}, settingsBlock({"0000H", "8000H", "11.0592", "timer 1", "9600.0", "5.00"}) + exact9600, 0},
        {{"9600", "T2", "1", "12"},
         settingsBlock({"0000H", "8000H", "12.0000", "timer 2  (8052)", "9600.0", "1.00"}) +
             "\nresulting baudrate:          9615.4 Baud   (0.16 % accuracy)\n", 0},
        {{"19200", "BG", "1", "3.6864"},
         settingsBlock({"0000H", "8000H", "3.6864", "internal baudrate generator  (80535)", "19200", "1.00"}) +
             "\n@@@@@ baudrate cannot be generated @@@@@\n", 1},
    };
    for (const char* text : {" 9600", "+9600", "9.6E3", "9.6e+3", "9600."}) {
        cases.push_back({{text}, settingsBlock(defaults9600) + exact9600, 0});
    }
    checkCases(cases);
}

// The outcome after the six settings lines: the result line, or the
// calculation error line.
struct Outcome {
    std::vector<std::string> arguments;
    const char* line;
    int exitStatus;
};

TEST(MardelukProgram, OutcomesOfTheWorkedExamples)
{
    const Outcome outcomes[] = {
        {{"19200"}, "resulting baudrate:          19200 Baud", 0},
        {{"1200", "T1", "1", "12"}, "resulting baudrate:          1201.9 Baud   (0.16 % accuracy)", 0},
        {{"9600", "T1", "1", "12"}, "@@@@@ insufficient accuracy: 6.99 % @@@@@", 1},
        {{"115200", "T1", "1", "1"}, "@@@@@ baudrate cannot be generated @@@@@", 1},
        {{"115200", "T2"}, "resulting baudrate:          115200 Baud", 0},
        {{"19200", "T2", "1", "12"}, "@@@@@ insufficient accuracy: 2.34 % @@@@@", 1},
        {{"10", "T2", "1", "40"}, "@@@@@ baudrate cannot be generated @@@@@", 1},
        {{"12500", "T2", "5", "4.992"}, "resulting baudrate:          12000 Baud   (4.00 % accuracy)", 0},
        {{"9600", "BG", "1", "12"}, "resulting baudrate:          9600.0 Baud", 0},
        {{"4800", "BG", "1", "12"}, "resulting baudrate:          4800.0 Baud", 0},
        {{"9600", "BG", "1", "11.0592"}, "@@@@@ insufficient accuracy: 7.84 % @@@@@", 1},
        {{"19200", "BG", "1", "12"}, "@@@@@ baudrate cannot be generated @@@@@", 1},
        {{"9600", "BA", "1", "12"}, "resulting baudrate:          9615.4 Baud   (0.16 % accuracy)", 0},
        {{"9600", "BA", "1", "11.0592"}, "resulting baudrate:          9600.0 Baud", 0},
        {{"57600", "D1"}, "resulting baudrate:          57600 Baud", 0},
        {{"9600", "D1", "1", "12"}, "@@@@@ insufficient accuracy: 2.34 % @@@@@", 1},
        {{"9600", "D1", "3", "12"}, "resulting baudrate:          9375.0 Baud   (2.34 % accuracy)", 0},
        {{"38400", "D1", "1", "25"}, "@@@@@ insufficient accuracy: 1.73 % @@@@@", 1},
        {{"38400", "D1", "2", "25"}, "resulting baudrate:          39063 Baud   (1.73 % accuracy)", 0},
        {{"38400", "D1", "5", "11.0592"}, "@@@@@ insufficient accuracy: 10.00 % @@@@@", 1},
        {{"115200", "D1", "5", "11.0592"}, "@@@@@ baudrate cannot be generated @@@@@", 1},
        {{"1200", "T1", "0", "12"}, "@@@@@ insufficient accuracy: 0.16 % @@@@@", 1},
        {{"0.5", "T1", "1", "0.000192"}, "resulting baudrate:           5.000000000000000E-001 Baud", 0},
    };
    for (const Outcome& o : outcomes) {
        SCOPED_TRACE(o.arguments[0] + " " + (o.arguments.size() > 1 ? o.arguments[1] : std::string("T1")));
        const ProgramRun run = runMardeluk(o.arguments);
        // Calculation errors stand after an empty line, as the result line does.
        const std::string tail = std::string("\n\n") + o.line + "\n";
        ASSERT_GE(run.out.size(), tail.size());
        EXPECT_EQ(run.out.substr(run.out.size() - tail.size()), tail);
        EXPECT_NE(run.out.find("required accuracy:"), std::string::npos);
        EXPECT_EQ(run.err, "");
        EXPECT_EQ(run.exitStatus, o.exitStatus);
    }
}

TEST(MardelukProgram, OutputThatCannotBeWrittenEndsTheRun)
{
    for (OutputTarget target : {OutputTarget::DevFull, OutputTarget::Closed}) {
        ScratchDirectory scratch;
        const ProgramRun run = runProgram(MARDELUK_PROGRAM, {"9600"}, scratch.path(), target);
        EXPECT_EQ(run.exitStatus, 3);
        EXPECT_EQ(run.err, "");
        // The run stopped at the banner, long before korvane.inc.
        EXPECT_TRUE(std::filesystem::is_empty(scratch.path()));
    }
}

}  // namespace

}  // namespace mardeluk
