// korvane.inc in the hands of real 8051 tools: the file that the built
// mardeluk writes is assembled alone and into a small loader-like program by
// an 8051 assembler, the symbol values and code bytes are checked against the
// settings that mardeluk computed, and the program runs in an 8051 simulator
// that measures the baud rate the settings really give.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <iostream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "calculator/generator_models.h"
#include "calculator/include_file.h"
#include "calculator/number_text.h"
#include "calculator/parameters.h"
#include "run_program.h"

namespace {

namespace fs = std::filesystem;

const char* const assembler = "/usr/bin/mcu8051ide";
const char* const simulator = "/usr/bin/s51";

// A run of mardeluk and what it computed.
struct MardelukRun {
    std::vector<std::string> arguments;
    calculator::BaudSettings settings;
    calculator::BaudResult result;
    calculator::TimingConstants timing;
    std::string includeFile;
    std::string printedRate;  // the rate of the result line, without " Baud"
};

MardelukRun runMardeluk(const std::vector<std::string>& arguments)
{
    MardelukRun run{arguments, {}, {0.0, 0, 0, 0, 0.0}, {0, 0}, "", ""};
    const calculator::ParameterOutcome outcome = calculator::readParameters(arguments);
    EXPECT_EQ(outcome.status, calculator::StatusCode::Ok);
    run.settings = outcome.settings;
    EXPECT_TRUE(calculator::calculateBaudResult(run.settings.generator, run.settings.baudrate, run.settings.clock, run.result));
    run.timing = calculator::includeTimingConstants(run.settings, run.result);

    ScratchDirectory scratch;
    const ProgramRun program = runProgram(MARDELUK_PROGRAM, arguments, scratch.path());
    EXPECT_EQ(program.exitStatus, 0) << program.out << program.err;
    run.includeFile = readFile(scratch.path() + "/" + calculator::includeFileName);
    std::smatch match;
    if (std::regex_search(program.out, match, std::regex("resulting baudrate: +(.+) Baud"))) {
        run.printedRate = match[1];
    }
    return run;
}

std::string describe(const MardelukRun& run)
{
    std::string text = "mardeluk";
    for (const std::string& argument : run.arguments) {
        text += " " + argument;
    }
    return text;
}

// The symbols of the file and the values that they must have.
std::map<std::string, unsigned> expectedSymbols(const MardelukRun& run)
{
    static const char* const chipSymbols[] = {"INTEL8051", "INTEL8052", "SAB80535", "SAB80C515A", "DS80C320"};
    const calculator::GeneratorKind generator = run.settings.generator;
    std::map<std::string, unsigned> symbols = {
        {"STARTADDR", run.settings.start},
        {"USERPROGS", run.settings.user},
        {chipSymbols[static_cast<int>(generator)], 0},
        {"TIMEBASE", run.timing.timebase},
        {"CHARTIME", run.timing.chartime},
    };
    const bool byteReload = generator == calculator::GeneratorKind::T1 || generator == calculator::GeneratorKind::D1;
    if (generator != calculator::GeneratorKind::BG) {
        symbols["RELOAD"] = byteReload ? (run.result.reload & 0xFFu) : run.result.reload;
    }
    if (generator != calculator::GeneratorKind::T2) {
        symbols["SMOD"] = run.result.smod;
    }
    if (generator == calculator::GeneratorKind::D1) {
        symbols["PRESCALE"] = run.result.prescale;
    }
    return symbols;
}

// The assembler accepts more than it should (it cuts constants above 0FFFFH
// and takes carriage returns), so the form of the file is checked here too:
// plain lines, and every constant a number that begins with a digit and fits
// a word, read here independently of the assembler.
void lintIncludeFile(const MardelukRun& run)
{
    const std::map<std::string, unsigned> expected = expectedSymbols(run);
    std::map<std::string, unsigned> found;
    const std::regex definition("\t([A-Z0-9]+) +(EQU|CODE) ([0-9]|0[0-9A-F]*H)(\t;[ -~]*)?");
    const std::regex comment("\t;[ -~]*");
    std::istringstream lines(run.includeFile);
    std::string line;
    ASSERT_FALSE(run.includeFile.empty());
    ASSERT_EQ(run.includeFile.back(), '\n');
    while (std::getline(lines, line)) {
        std::smatch match;
        if (std::regex_match(line, match, definition)) {
            const std::string number = match[3];
            const unsigned long value = number.back() == 'H' ? std::stoul(number.substr(0, number.size() - 1), nullptr, 16)
                                                             : std::stoul(number);
            EXPECT_LE(value, 0xFFFFu) << line;
            found[match[1]] = static_cast<unsigned>(value);
        } else {
            EXPECT_TRUE(line.empty() || std::regex_match(line, comment)) << "unexpected line: '" << line << "'";
        }
    }
    EXPECT_EQ(found, expected);
}

// What an assembler run reports on its console and in its listing.
struct Assembly {
    int exitStatus;
    int errors;
    int warnings;
    std::string console;
    std::map<std::string, unsigned> symbols;
    std::vector<int> image;  // 64 KiB of code memory, -1 where nothing was placed
};

Assembly assemble(const std::string& folder, const std::string& source)
{
    const ProgramRun run = runProgram(assembler, {"--nocolor", "--compile", source, "--no-sim", "--no-bin"}, folder);
    Assembly assembly{run.exitStatus, -1, -1, run.out + run.err, {}, std::vector<int>(0x10000, -1)};
    std::smatch match;
    // The listing may claim success after a failed run: the console counts.
    if (std::regex_search(assembly.console, match, std::regex("(\\d+) errors?, (\\d+) warnings?"))) {
        assembly.errors = std::stoi(match[1]);
        assembly.warnings = std::stoi(match[2]);
    }
    const std::string stem = source.substr(0, source.rfind('.'));
    const std::string listing = readFile(folder + "/" + stem + ".lst");
    const std::regex symbolLine("([A-Z0-9_?]+)[ .]+ [A-Z]  (?:NUMB|ADDR)  ([0-9A-F]{4})H.*");
    std::istringstream listingLines(listing.substr(std::min(listing.size(), listing.find("SYMBOL TABLE:"))));
    std::string line;
    while (std::getline(listingLines, line)) {
        if (std::regex_match(line, match, symbolLine)) {
            assembly.symbols[match[1]] = static_cast<unsigned>(std::stoul(match[2], nullptr, 16));
        }
    }
    // Intel HEX records: length, address, type, data, checksum.
    std::istringstream hex(readFile(folder + "/" + stem + ".hex"));
    while (std::getline(hex, line)) {
        if (line.size() < 11 || line[0] != ':') {
            continue;
        }
        auto byteAt = [&line](size_t index) { return static_cast<int>(std::stoul(line.substr(1 + 2 * index, 2), nullptr, 16)); };
        const int length = byteAt(0);
        const int address = byteAt(1) * 256 + byteAt(2);
        int checksum = 0;
        for (int i = 0; i < length + 5; ++i) {
            checksum += byteAt(static_cast<size_t>(i));
        }
        EXPECT_EQ(checksum & 0xFF, 0) << line;
        if (byteAt(3) == 0) {
            for (int i = 0; i < length; ++i) {
                assembly.image[static_cast<size_t>((address + i) & 0xFFFF)] = byteAt(static_cast<size_t>(4 + i));
            }
        }
    }
    return assembly;
}

void expectSymbols(const Assembly& assembly, const std::map<std::string, unsigned>& expected)
{
    for (const auto& [name, value] : expected) {
        const auto found = assembly.symbols.find(name);
        ASSERT_NE(found, assembly.symbols.end()) << name << " is missing from the symbol table";
        EXPECT_EQ(found->second, value) << name;
    }
}

// The loader-like program: it sets up the generator of its chip as the loader
// does, loads the timing constants, greets the host over the UART without
// end, and would then start the user programs. UARTMODE selects 8-bit (40H)
// or 9-bit (0C0H) characters for the simulated measurement.
std::string loaderProgram(unsigned uartMode)
{
    return "$INCLUDE(korvane.inc)\n"
           "UARTMODE   EQU 0" + calculator::byteHexText(static_cast<uint8_t>(uartMode)) + "H\n"
           "CKCON320   DATA 8EH          ; clock control of the 80C320\n"
           "SRELL      DATA 0AAH         ; 10-bit generator of the 80C515A\n"
           "SRELH      DATA 0BAH\n"
           "BD         BIT 0DFH          ; generator enable of the 80535 family\n"
           "IF STARTADDR > 2\n"
           "        ORG     0             ; the reset vector leads to the loader\n"
           "        LJMP    STARTADDR\n"
           "ENDIF\n"
           "        ORG     STARTADDR\n"
           "SETUP:\n"
           "IFDEF INTEL8051\n"
           "        MOV     TMOD,#20H     ; timer 1 as 8-bit auto-reload timer\n"
           "        MOV     TH1,#RELOAD\n"
           "        MOV     TL1,#RELOAD\n"
           "        ORL     PCON,#SMOD\n"
           "        SETB    TR1\n"
           "ENDIF\n"
           "IFDEF INTEL8052\n"
           "        MOV     RCAP2H,#HIGH(RELOAD)\n"
           "        MOV     RCAP2L,#LOW(RELOAD)\n"
           "        MOV     TH2,#HIGH(RELOAD)\n"
           "        MOV     TL2,#LOW(RELOAD)\n"
           "        MOV     T2CON,#34H    ; timer 2 clocks receiver and transmitter\n"
           "ENDIF\n"
           "IFDEF SAB80535\n"
           "        ORL     PCON,#SMOD\n"
           "        SETB    BD\n"
           "ENDIF\n"
           "IFDEF SAB80C515A\n"
           "        MOV     SRELH,#HIGH(RELOAD)\n"
           "        MOV     SRELL,#LOW(RELOAD)\n"
           "        ORL     PCON,#SMOD\n"
           "        SETB    BD\n"
           "ENDIF\n"
           "IFDEF DS80C320\n"
           "        MOV     CKCON320,#PRESCALE\n"
           "        MOV     TMOD,#20H\n"
           "        MOV     TH1,#RELOAD\n"
           "        MOV     TL1,#RELOAD\n"
           "        ORL     PCON,#SMOD\n"
           "        SETB    TR1\n"
           "ENDIF\n"
           "TIMING: MOV     R6,#HIGH(TIMEBASE)\n"
           "        MOV     R7,#LOW(TIMEBASE)\n"
           "        MOV     R4,#HIGH(CHARTIME)\n"
           "        MOV     R5,#LOW(CHARTIME)\n"
           "        MOV     SCON,#UARTMODE\n"
           "SEND:   MOV     SBUF,#55H\n"
           "WAITTI: JNB     TI,WAITTI\n"
           "SENT:   CLR     TI\n"
           "        SJMP    SEND\n"
           "USER:   LJMP    USERPROGS\n"
           "        END\n";
}

// The code bytes that carry the values of the include file.
std::vector<int> expectedSetupBytes(const MardelukRun& run)
{
    const int reload = run.result.reload;
    const int smod = run.result.smod;
    switch (run.settings.generator) {
    case calculator::GeneratorKind::T1:
        return {0x75, 0x89, 0x20, 0x75, 0x8D, reload & 0xFF, 0x75, 0x8B, reload & 0xFF, 0x43, 0x87, smod, 0xD2, 0x8E};
    case calculator::GeneratorKind::T2:
        return {0x75, 0xCB, reload >> 8, 0x75, 0xCA, reload & 0xFF, 0x75, 0xCD, reload >> 8,
                0x75, 0xCC, reload & 0xFF, 0x75, 0xC8, 0x34};
    case calculator::GeneratorKind::BG:
        return {0x43, 0x87, smod, 0xD2, 0xDF};
    case calculator::GeneratorKind::BA:
        return {0x75, 0xBA, reload >> 8, 0x75, 0xAA, reload & 0xFF, 0x43, 0x87, smod, 0xD2, 0xDF};
    case calculator::GeneratorKind::D1:
        return {0x75, 0x8E, run.result.prescale, 0x75, 0x89, 0x20, 0x75, 0x8D, reload & 0xFF,
                0x75, 0x8B, reload & 0xFF, 0x43, 0x87, smod, 0xD2, 0x8E};
    }
    return {};
}

std::vector<int> codeAt(const Assembly& assembly, unsigned address, size_t length)
{
    std::vector<int> bytes;
    for (size_t i = 0; i < length; ++i) {
        bytes.push_back(assembly.image[(address + i) & 0xFFFF]);
    }
    return bytes;
}

// The file alone: no errors, and no warnings but the two that any file
// without code and without END draws.
void assembleIncludeFileAlone(const MardelukRun& run)
{
    ScratchDirectory folder;
    writeFile(folder.path() + "/korvane.inc", run.includeFile);
    const Assembly assembly = assemble(folder.path(), "korvane.inc");
    EXPECT_EQ(assembly.exitStatus, 0) << assembly.console;
    EXPECT_EQ(assembly.errors, 0) << assembly.console;
    EXPECT_EQ(assembly.warnings, 2) << assembly.console;
    EXPECT_NE(assembly.console.find("Missing `END' directive"), std::string::npos) << assembly.console;
    EXPECT_NE(assembly.console.find("No instruction found at address"), std::string::npos) << assembly.console;
    expectSymbols(assembly, expectedSymbols(run));
}

Assembly assembleLoader(const MardelukRun& run, unsigned uartMode, const std::string& folder)
{
    writeFile(folder + "/korvane.inc", run.includeFile);
    writeFile(folder + "/loader.asm", loaderProgram(uartMode));
    return assemble(folder, "loader.asm");
}

void checkLoader(const MardelukRun& run)
{
    ScratchDirectory folder;
    const Assembly assembly = assembleLoader(run, 0x40, folder.path());
    ASSERT_EQ(assembly.exitStatus, 0) << assembly.console;
    EXPECT_EQ(assembly.errors, 0) << assembly.console;
    EXPECT_EQ(assembly.warnings, 0) << assembly.console;
    expectSymbols(assembly, expectedSymbols(run));
    expectSymbols(assembly, {{"SETUP", run.settings.start}});

    const std::vector<int> setup = expectedSetupBytes(run);
    EXPECT_EQ(codeAt(assembly, run.settings.start, setup.size()), setup);
    EXPECT_EQ(assembly.symbols.at("TIMING"), run.settings.start + setup.size());
    const std::vector<int> timing = {0x7E, run.timing.timebase >> 8, 0x7F, run.timing.timebase & 0xFF,
                                     0x7C, run.timing.chartime >> 8, 0x7D, run.timing.chartime & 0xFF};
    EXPECT_EQ(codeAt(assembly, assembly.symbols.at("TIMING"), timing.size()), timing);
    const std::vector<int> jump = {0x02, run.settings.user >> 8, run.settings.user & 0xFF};
    EXPECT_EQ(codeAt(assembly, assembly.symbols.at("USER"), jump.size()), jump);
}

// Clock counts at which the transmitter has just finished a character.
std::vector<long long> simulatedCharacterEnds(const MardelukRun& run, unsigned uartMode, int characters)
{
    ScratchDirectory folder;
    const Assembly assembly = assembleLoader(run, uartMode, folder.path());
    EXPECT_EQ(assembly.errors, 0) << assembly.console;
    std::string commands = "break 0x" + calculator::hexWordText(static_cast<uint16_t>(assembly.symbols.at("SENT"))) + "\n";
    commands.erase(commands.size() - 2, 1);  // no "H" for the simulator
    for (int i = 0; i < characters; ++i) {
        commands += "run\nstate\n";
    }
    commands += "quit\n";
    writeFile(folder.path() + "/commands", commands);
    // Timer 2 lives on the 8052; timer 1 is measured on the plain 8051, whose
    // SMOD 0 rate does not depend on the simulator's start-up state.
    const char* cpu = run.settings.generator == calculator::GeneratorKind::T2 ? "52" : "51";
    const std::string clock = std::to_string(static_cast<long long>(run.settings.clock));
    // Commands come on standard input: the simulator loads the program only
    // after a command file given with -C has run.
    const ProgramRun simulation = runProgram(simulator, {"-t", cpu, "-X", clock, "loader.hex"}, folder.path(),
                                             OutputTarget::Captured, folder.path() + "/commands");
    std::vector<long long> ends;
    const std::regex total("Total time since last reset= [0-9.]+ sec \\((\\d+) clks\\)");
    for (auto it = std::sregex_iterator(simulation.out.begin(), simulation.out.end(), total);
         it != std::sregex_iterator(); ++it) {
        ends.push_back(std::stoll((*it)[1]));
    }
    EXPECT_EQ(ends.size(), static_cast<size_t>(characters)) << simulation.out << simulation.err;
    return ends;
}

// The simulator starts the bit timing anew when SBUF is written, so the time
// between two characters also holds the few instructions that refill SBUF.
// Those take the same time for 8-bit and 9-bit characters, so the difference
// of the two character times is exactly one bit.
void measureBaudRate(const MardelukRun& run)
{
    constexpr int characters = 9;
    const std::vector<long long> eightBit = simulatedCharacterEnds(run, 0x40, characters);
    const std::vector<long long> nineBit = simulatedCharacterEnds(run, 0xC0, characters);
    ASSERT_EQ(eightBit.size(), static_cast<size_t>(characters));
    ASSERT_EQ(nineBit.size(), static_cast<size_t>(characters));
    // The first character starts with the setup; the others are measured.
    const long long measured = characters - 1;
    const common::Extended clocksPerBit =
        common::Extended((nineBit.back() - nineBit.front()) - (eightBit.back() - eightBit.front())) / measured;
    const double measuredRate = static_cast<double>(run.settings.clock / clocksPerBit);
    std::cout << "  simulated: " << calculator::fixedText(clocksPerBit, 0, 1) << " clocks per bit at "
              << calculator::fixedText(common::Extended(run.settings.clock) / 1000000, 0, 4) << " MHz = " << calculator::fixedText(measuredRate, 0, 6)
              << " Baud; mardeluk printed " << run.printedRate << " Baud\n";
    // Equal to the precision printed: within half a unit of the last digit.
    const size_t point = run.printedRate.find('.');
    const int decimals = point == std::string::npos ? 0 : static_cast<int>(run.printedRate.size() - point - 1);
    EXPECT_LE(std::fabs(measuredRate - std::stod(run.printedRate)), 0.5 * std::pow(10.0, -decimals))
        << "measured " << calculator::fixedText(measuredRate, 0, 6) << " Baud";
}

const char* const notModelled =
    "the simulator models neither the generators of the 80535 and 80C515A nor the prescaler of the 80C320; "
    "checked by the assembler and the model's formulas";

struct Case {
    std::vector<std::string> arguments;
    bool loaderFits;                 // no code fits at start address 0FFFFH
    const char* notSimulatedBecause; // null: the simulator measures the rate
};

const Case cases[] = {
    {{"9600"}, true, nullptr},                                      // timer 1, SMOD 0, 11.0592 MHz
    {{"19200", "T1", "1", "11.0592", "5", "0FFFF"}, true, nullptr}, // SMOD 1; start 5, user 0FFFFH
    {{"1200", "T1", "1", "12"}, true, nullptr},                     // SMOD 0 at 12 MHz, accuracy note
    {{"4800", "T1", "1", "12"}, true, nullptr},                     // SMOD 1 at 12 MHz
    {{"112.5", "T1"}, true, nullptr},                               // count 256: reload 0
    {{"9600", "T2", "1", "12"}, true, nullptr},                     // timer 2, accuracy note
    {{"115200", "T2"}, true, nullptr},
    {{"1", "T2", "1", "2.097152"}, true, nullptr},                  // count 65536: reload 0000H
    {{"9600", "BG", "0.1", "12"}, true, notModelled},               // the help screen's example
    {{"4800", "BG", "1", "12"}, true, notModelled},
    {{"9600", "BA", "1", "12"}, true, notModelled},
    {{"9600", "BA", "1", "11.0592", "0", "0"}, true, notModelled},
    {{"57600", "D1"}, true, notModelled},                           // prescale 01H
    {{"9600", "D1", "3", "12"}, true, notModelled},                 // prescale 11H
    {{"9600", "T1", "1", "11.0592", "0FFFF", "5"}, false, "only the file is assembled at this start address"},
    {{"115200", "T2", "1", "1600"}, true, "a case about TIMEBASE 0 above 1572.84 MHz"},
};

class IncludeFileWithRealTools : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* tool : {assembler, simulator}) {
            ASSERT_TRUE(fs::exists(tool)) << tool << " is missing: scripts/run-tests installs mcu8051ide and sdcc-ucsim";
        }
    }
};

TEST_F(IncludeFileWithRealTools, AssemblesAndGivesThePrintedRate)
{
    for (const Case& c : cases) {
        const MardelukRun run = runMardeluk(c.arguments);
        SCOPED_TRACE(describe(run));
        std::cout << describe(run) << ": " << calculator::generatorEntry(run.settings.generator).description << "\n";
        ASSERT_FALSE(run.printedRate.empty());
        lintIncludeFile(run);
        assembleIncludeFileAlone(run);
        std::cout << "  assembled alone: symbols as computed\n";
        if (c.loaderFits) {
            checkLoader(run);
            std::cout << "  assembled into the loader: no errors or warnings, symbols and code bytes as computed\n";
        } else {
            std::cout << "  no program fits at start address " << calculator::hexWordText(run.settings.start)
                      << ": the file is assembled alone only\n";
        }
        if (c.notSimulatedBecause == nullptr) {
            measureBaudRate(run);
        } else {
            std::cout << "  not simulated: " << c.notSimulatedBecause << "\n";
        }
    }
}

}  // namespace
