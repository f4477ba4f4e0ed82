#include "calculator/report.h"

#include <gtest/gtest.h>

namespace calculator {

namespace {

TEST(HelpScreen, TableLinesStateTheValuesInForce)
{
    const std::vector<std::string> lines = helpLines();
    ASSERT_EQ(lines.size(), 21u);
    for (size_t i = 2; i <= 9; ++i) {
        EXPECT_EQ(lines[i].size(), 77u) << "line " << i + 1 << ": '" << lines[i] << "'";
    }
    EXPECT_EQ(lines[5], "<timer>       baudrate generator   T1,T2,BG,BA,D1     ---        T1    string");
    EXPECT_EQ(lines[6], "<accuracy>    required accuracy    0.0       5.0       %        1.0      real");
    EXPECT_EQ(lines[7], "<clock>       clock frequency     >0.0       ---      MHz     11.0592    real");
    EXPECT_EQ(lines[20], "---------  mardeluk                   (displays this help screen)  ");
}

TEST(SettingsLines, ValuesStartInColumnThirty)
{
    const BaudSettings settings{9600.0, GeneratorKind::BA, 0.001, 3686400.0, 0xFFFF, 0x0000};
    const std::vector<std::string> expected = {
        "KORVANE start address:       FFFFH",
        "user program start address:  0000H",
        "system clock frequency:      3.6864 MHz",
        "baudrate generator:          internal baudrate generator  (80C515A)",
        "nominal baudrate:            9600.0 Baud",
        "required accuracy:           0.10 %",
    };
    EXPECT_EQ(settingsLines(settings), expected);
}

TEST(ResultLine, DeviationIsNotedFromOneHundredthOfAPercent)
{
    struct Case {
        double resultingBaud;
        double deviation;
        const char* expected;
    };
    const Case cases[] = {
        {9600.0, 0.0, "resulting baudrate:          9600.0 Baud"},
        {9600.0, 0.0000999, "resulting baudrate:          9600.0 Baud"},
        {9600.0, 0.0001, "resulting baudrate:          9600.0 Baud   (0.01 % accuracy)"},
        {9615.384615384615, 0.0016025641025641, "resulting baudrate:          9615.4 Baud   (0.16 % accuracy)"},
        {115200.0, 0.05, "resulting baudrate:          115200 Baud   (5.00 % accuracy)"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(resultLine(c.resultingBaud, c.deviation), c.expected);
    }
}

TEST(ErrorLines, FramedWithTheParameterWhole)
{
    EXPECT_EQ(parameterErrorLine(StatusCode::UnknownGenerator, "t3"), "@@@@@ unknown baudrate generator: t3 @@@@@");
    EXPECT_EQ(parameterErrorLine(StatusCode::IllegalReal, ""), "@@@@@ illegal real number:  @@@@@");
    EXPECT_EQ(calculationErrorLine(StatusCode::CannotGenerate, 0.0699), "@@@@@ baudrate cannot be generated @@@@@");
    EXPECT_EQ(calculationErrorLine(StatusCode::InsufficientAccuracy, 0.0699),
              "@@@@@ insufficient accuracy: 6.99 % @@@@@");

    // A parameter of the full 255 characters stands whole between the frames.
    const std::string line = parameterErrorLine(StatusCode::IllegalReal, std::string(255, 'x'));
    EXPECT_EQ(line, "@@@@@ illegal real number: " + std::string(255, 'x') + " @@@@@");
}

}  // namespace

}  // namespace calculator
