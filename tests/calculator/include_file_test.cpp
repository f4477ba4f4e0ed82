#include "calculator/include_file.h"

#include <gtest/gtest.h>

#include "calculator/generator_models.h"

namespace calculator {

namespace {

// The settings and result of a run as mardeluk makes them.
struct CalculatedRun {
    BaudSettings settings;
    BaudResult result;
};

CalculatedRun calculatedRun(double baudrate, GeneratorKind generator, double clockMHz, uint16_t start = 0,
                  uint16_t user = 0x8000)
{
    CalculatedRun run{{baudrate, generator, 0.01, static_cast<double>(common::Extended(clockMHz) * 1000000), start, user},
            {0.0, 0, 0, 0, 0.0}};
    EXPECT_TRUE(calculateBaudResult(generator, baudrate, run.settings.clock, run.result));
    return run;
}

// Lines 17 on: the generator block, an empty line, TIMEBASE and CHARTIME.
std::vector<std::string> tailLines(const CalculatedRun& run)
{
    const std::vector<std::string> lines = includeFileLines(run.settings, run.result);
    return std::vector<std::string>(lines.begin() + 16, lines.end());
}

TEST(IncludeFile, ExampleOfTheHelpScreenByteForByte)
{
    CalculatedRun run = calculatedRun(9600, GeneratorKind::BG, 12);
    run.settings.accuracy = 0.001;
    const std::string expected =
        "\t; KORVANE Customization Header\n"
        "\t; ============================\n"
        "\t; generated with MARDELUK V1.1\n"
        "\n"
        "\tSTARTADDR CODE 0\t;start address of bootstrap program\n"
        "\tUSERPROGS CODE 08000H\t;start address of user programs\n"
        "\n"
        "\t; Baudrate Generation\n"
        "\t; -------------------\n"
        "\t; system clock frequency:  12.0000 MHz\n"
        "\t; baudrate generator:      internal baudrate generator  (80535)\n"
        "\t; nominal baudrate:        9600.0 Baud\n"
        "\t; required accuracy:       0.10 %\n"
        "\t;\n"
        "\t; resulting baudrate:      9600.0 Baud\n"
        "\n"
        "\tSAB80535   EQU 0\n"
        "\tSMOD       EQU 080H\n"
        "\n"
        "\tTIMEBASE   EQU 02F5H\n"
        "\tCHARTIME   EQU 0102H\n";
    const std::string text = includeFileText(run.settings, run.result);
    EXPECT_EQ(text, expected);
    EXPECT_EQ(text.size(), 561u);
}

TEST(IncludeFile, GeneratorBlocksAndTimingConstants)
{
    struct Case {
        CalculatedRun run;
        std::vector<std::string> tail;
    };
    const Case cases[] = {
        {calculatedRun(9600, GeneratorKind::T1, 11.0592),
         {"\tINTEL8051  EQU 0", "\tRELOAD     EQU 0FDH", "\tSMOD       EQU 0", "",
          "\tTIMEBASE   EQU 02CDH", "\tCHARTIME   EQU 0102H"}},
        {calculatedRun(9600, GeneratorKind::D1, 11.0592),
         {"\tDS80C320   EQU 0", "\tRELOAD     EQU 0FDH", "\tSMOD       EQU 0", "\tPRESCALE   EQU 1", "",
          "\tTIMEBASE   EQU 049AH", "\tCHARTIME   EQU 0102H"}},
        {calculatedRun(38400, GeneratorKind::D1, 25),
         {"\tDS80C320   EQU 0", "\tRELOAD     EQU 0FBH", "\tSMOD       EQU 0", "\tPRESCALE   EQU 011H", "",
          "\tTIMEBASE   EQU 0924H", "\tCHARTIME   EQU 0101H"}},
        {calculatedRun(9600, GeneratorKind::T2, 12),
         {"\tINTEL8052  EQU 0", "\tRELOAD     EQU 0FFD9H", "", "\tTIMEBASE   EQU 02F5H", "\tCHARTIME   EQU 0102H"}},
        {calculatedRun(9600, GeneratorKind::BA, 12),
         {"\tSAB80C515A EQU 0", "\tRELOAD     EQU 03D9H", "\tSMOD       EQU 080H", "",
          "\tTIMEBASE   EQU 02F5H", "\tCHARTIME   EQU 0102H"}},
        {calculatedRun(300, GeneratorKind::T1, 11.0592),
         {"\tINTEL8051  EQU 0", "\tRELOAD     EQU 0A0H", "\tSMOD       EQU 0", "",
          "\tTIMEBASE   EQU 02CDH", "\tCHARTIME   EQU 0125H"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(generatorEntry(c.run.settings.generator).code));
        EXPECT_EQ(tailLines(c.run), c.tail);
    }
}

TEST(IncludeFile, ResultingRateLineCarriesTheDeviationFromOneHundredthOfAPercent)
{
    const CalculatedRun t2 = calculatedRun(9600, GeneratorKind::T2, 12);
    EXPECT_EQ(includeFileLines(t2.settings, t2.result)[14],
              "\t; resulting baudrate:      9615.4 Baud   (0.16 % accuracy)");

    CalculatedRun run = calculatedRun(9600, GeneratorKind::T1, 11.0592);
    run.result.deviation = 0.0001;
    EXPECT_EQ(includeFileLines(run.settings, run.result)[14],
              "\t; resulting baudrate:      9600.0 Baud   (0.01 % accuracy)");
    run.result.deviation = 0.0000999;
    EXPECT_EQ(includeFileLines(run.settings, run.result)[14], "\t; resulting baudrate:      9600.0 Baud");
}

TEST(IncludeFile, AddressesAndFastClocks)
{
    const CalculatedRun high = calculatedRun(9600, GeneratorKind::T1, 11.0592, 0xFFFF, 0x0000);
    const std::vector<std::string> lines = includeFileLines(high.settings, high.result);
    EXPECT_EQ(lines[4], "\tSTARTADDR CODE 0FFFFH\t;start address of bootstrap program");
    EXPECT_EQ(lines[5], "\tUSERPROGS CODE 0\t;start address of user programs");
    const CalculatedRun five = calculatedRun(9600, GeneratorKind::T1, 11.0592, 5);
    EXPECT_EQ(includeFileLines(five.settings, five.result)[4],
              "\tSTARTADDR CODE 5\t;start address of bootstrap program");

    // Above 1572.84 MHz a millisecond holds more than 65535 units of 24 clocks.
    const CalculatedRun fast = calculatedRun(115200, GeneratorKind::T2, 1600);
    const std::vector<std::string> fastLines = includeFileLines(fast.settings, fast.result);
    EXPECT_EQ(fastLines[fastLines.size() - 2], "\tTIMEBASE   EQU 0");
    EXPECT_EQ(fastLines.back(), "\tCHARTIME   EQU 0101H");
    const CalculatedRun justBelow = calculatedRun(115200, GeneratorKind::T2, 1572.8);
    const std::vector<std::string> justBelowLines = includeFileLines(justBelow.settings, justBelow.result);
    EXPECT_EQ(justBelowLines[justBelowLines.size() - 2], "\tTIMEBASE   EQU 0FEH");
}

TEST(IncludeFile, PlainAsciiWithoutBlanksAtLineEnds)
{
    for (int kind = 0; kind < generatorCount; ++kind) {
        const CalculatedRun run = calculatedRun(4800, static_cast<GeneratorKind>(kind), 12);
        for (const std::string& line : includeFileLines(run.settings, run.result)) {
            EXPECT_TRUE(line.empty() || (line.back() != ' ' && line.back() != '\t')) << "'" << line << "'";
            for (char c : line) {
                EXPECT_TRUE(c == '\t' || (c >= 0x20 && c < 0x7F)) << "'" << line << "'";
            }
        }
    }
}

}  // namespace

}  // namespace calculator
