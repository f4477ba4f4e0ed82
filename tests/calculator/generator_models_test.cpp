#include "calculator/generator_models.h"
#include "calculator/generator_models_internal.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "calculator/number_text.h"

namespace calculator {

namespace {

struct ModelCase {
    GeneratorKind kind;
    double nominal;
    double clockMHz;
    bool succeeds;
    unsigned reload;
    unsigned smod;
    unsigned prescale;
    double resultingBaud;   // to the four decimals that the rate is known to
    const char* deviation;  // in percent, two decimals
};

void checkModel(const ModelCase& c)
{
    BaudResult result{0.0, 0, 0, 0, 0.0};
    const double clock = static_cast<double>(common::Extended(c.clockMHz) * 1000000);
    const bool succeeded = calculateBaudResult(c.kind, c.nominal, clock, result);
    ASSERT_EQ(succeeded, c.succeeds);
    if (!succeeded) {
        return;
    }
    EXPECT_EQ(result.reload, c.reload);
    EXPECT_EQ(result.smod, c.smod);
    EXPECT_EQ(result.prescale, c.prescale);
    EXPECT_NEAR(result.resultingBaud, c.resultingBaud, 0.00005);
    EXPECT_EQ(fixedText(common::Extended(result.deviation) * 100, 0, 2), c.deviation);
    EXPECT_EQ(generatedRate(c.kind, result, clock), result.resultingBaud);
}

std::string describe(const ModelCase& c)
{
    return std::string(generatorEntry(c.kind).code) + " " + std::to_string(c.nominal) + " Bd at " +
           std::to_string(c.clockMHz) + " MHz";
}

const ModelCase workedExamples[] = {
    {GeneratorKind::T1, 9600, 11.0592, true, 0xFD, 0x00, 0x00, 9600, "0.00"},
    {GeneratorKind::T1, 19200, 11.0592, true, 0xFD, 0x80, 0x00, 19200, "0.00"},
    {GeneratorKind::T1, 1200, 12, true, 0xE6, 0x00, 0x00, 1201.9231, "0.16"},
    {GeneratorKind::T1, 9600, 12, true, 0xF9, 0x80, 0x00, 8928.5714, "6.99"},
    {GeneratorKind::T1, 115200, 1, false, 0, 0, 0, 0, ""},
    {GeneratorKind::T2, 9600, 12, true, 0xFFD9, 0x00, 0x00, 9615.3846, "0.16"},
    {GeneratorKind::T2, 115200, 11.0592, true, 0xFFFD, 0x00, 0x00, 115200, "0.00"},
    {GeneratorKind::T2, 19200, 12, true, 0xFFEC, 0x00, 0x00, 18750, "2.34"},
    {GeneratorKind::T2, 10, 40, false, 0, 0, 0, 0, ""},
    {GeneratorKind::BG, 9600, 12, true, 0x0000, 0x80, 0x00, 9600, "0.00"},
    {GeneratorKind::BG, 4800, 12, true, 0x0000, 0x00, 0x00, 4800, "0.00"},
    {GeneratorKind::BG, 9600, 11.0592, true, 0x0000, 0x80, 0x00, 8847.36, "7.84"},
    {GeneratorKind::BG, 19200, 12, false, 0, 0, 0, 0, ""},
    {GeneratorKind::BA, 9600, 12, true, 0x3D9, 0x80, 0x00, 9615.3846, "0.16"},
    {GeneratorKind::BA, 9600, 11.0592, true, 0x3EE, 0x00, 0x00, 9600, "0.00"},
    {GeneratorKind::D1, 57600, 11.0592, true, 0xFF, 0x80, 0x01, 57600, "0.00"},
    {GeneratorKind::D1, 9600, 12, true, 0xF6, 0x00, 0x11, 9375, "2.34"},
    {GeneratorKind::D1, 38400, 25, true, 0xFB, 0x00, 0x11, 39062.5, "1.73"},
    {GeneratorKind::D1, 38400, 11.0592, true, 0xFB, 0x80, 0x11, 34560, "10.00"},
    {GeneratorKind::D1, 115200, 11.0592, false, 0, 0, 0, 0, ""},
};

TEST(GeneratorModels, WorkedExamples)
{
    for (const ModelCase& c : workedExamples) {
        SCOPED_TRACE(describe(c));
        checkModel(c);
    }
}

TEST(GeneratorModels, CountExtremesGiveZeroReload)
{
    const ModelCase cases[] = {
        // Timer 2 reaches 65536 only through the n + 1 step.
        {GeneratorKind::T2, 1.0, 2.097152, true, 0x0000, 0x00, 0x00, 1.0, "0.00"},
        // Timer 1 counting 256 with SMOD clear.
        {GeneratorKind::T1, 112.5, 11.0592, true, 0x00, 0x00, 0x00, 112.5, "0.00"},
        // The 10-bit generator counting 1024.
        {GeneratorKind::BA, 168.75, 11.0592, true, 0x000, 0x00, 0x00, 168.75, "0.00"},
        // The fastest setting of timer 1 with SMOD set.
        {GeneratorKind::T1, 57600, 11.0592, true, 0xFF, 0x80, 0x00, 57600, "0.00"},
    };
    for (const ModelCase& c : cases) {
        SCOPED_TRACE(describe(c));
        checkModel(c);
    }
}

TEST(GeneratorModels, TieRules)
{
    const ModelCase cases[] = {
        // Timer 2, 13000 and 12000 Bd lie equally far from 12500: the stored
        // deviation at n is the double above 0.04, so n + 1 comes closer.
        {GeneratorKind::T2, 12500, 4.992, true, 0xFFF3, 0x00, 0x00, 12000, "4.00"},
        // SMOD timer: count 10 without SMOD gives 4032 Bd, count 21 with SMOD
        // 3840 Bd, both 96 Bd from 3936: candidate B (the n + 1 count) wins.
        {GeneratorKind::T1, 3936, 15.48288, true, 0xEB, 0x80, 0x00, 3840, "2.44"},
    };
    for (const ModelCase& c : cases) {
        SCOPED_TRACE(describe(c));
        checkModel(c);
    }

    // The 80535 generator at 2.5 MHz offers 1000 and 2000 Bd, equally far
    // from 1500: SMOD clear wins (and fails the limit).
    BaudResult result{0.0, 0, 0, 0, 0.0};
    EXPECT_FALSE(calculateBaudResult(GeneratorKind::BG, 1500, 2500000.0, result));
    EXPECT_EQ(result.resultingBaud, 1000.0);
}

TEST(GeneratedRate, SettingsAtAnotherClock)
{
    struct Case {
        GeneratorKind kind;
        BaudResult settings;
        double clock;
        double rate;
    };
    const Case cases[] = {
        {GeneratorKind::T1, {0.0, 0xFD, 0x00, 0x00, 0.0}, 22118400, 19200},
        {GeneratorKind::T1, {0.0, 0x00, 0x80, 0x00, 0.0}, 11059200, 225},
        {GeneratorKind::D1, {0.0, 0xFF, 0x80, prescaleClockBy4, 0.0}, 11059200, 172800},
        {GeneratorKind::D1, {0.0, 0xFF, 0x80, prescaleClockBy12, 0.0}, 22118400, 115200},
        {GeneratorKind::T2, {0.0, 0x0000, 0x00, 0x00, 0.0}, 2097152, 1},
        {GeneratorKind::BA, {0.0, 0x3FF, 0x00, 0x00, 0.0}, 12000000, 187500},
        {GeneratorKind::BG, {0.0, 0, 0x80, 0x00, 0.0}, 24000000, 19200},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(generatedRate(c.kind, c.settings, c.clock), c.rate) << generatorEntry(c.kind).code << " at " << c.clock;
    }
}

TEST(SmodTimerCount, SmodSurvivesOnlyForOddCountsWithinTheLimit)
{
    struct Case {
        double nominal;
        double clock;
        int addOne;
        int count;
        int smod;
    };
    const Case cases[] = {
        {9600, 12000000, 0, 3, 0},    // SMOD count 6 is even: half of it without SMOD
        {9600, 12000000, 1, 7, 1},    // SMOD count 7 is odd and stays
        {1200, 12000000, 1, 53, 1},
        {115200, 1000000, 0, 1, 0},   // SMOD count 0 switches to SMOD clear, clamped to 1
        {30, 12000000, 1, 256, 0},    // beyond 256 with SMOD: clear it, then clamp
        {1e-15, 12000000, 0, 256, 0}, // a quotient beyond any 64-bit integer
        {1e-300, std::numeric_limits<double>::max(), 1, 256, 0},
    };
    for (const Case& c : cases) {
        const SmodTimerCount result = smodTimerCount(c.nominal, c.clock, 192, 256, c.addOne);
        EXPECT_EQ(result.count, c.count) << c.nominal << " at " << c.clock;
        EXPECT_EQ(result.smod, c.smod) << c.nominal << " at " << c.clock;
    }
}

TEST(GeneratorModels, ExtremeInputsFailWithoutOverflow)
{
    const double maxDouble = std::numeric_limits<double>::max();
    struct Case {
        GeneratorKind kind;
        double nominal;
        double clock;
    };
    const Case cases[] = {
        {GeneratorKind::T1, 1e-15, 12000000},
        {GeneratorKind::T2, 1e-300, maxDouble},
        {GeneratorKind::BA, 1e-300, maxDouble},
        {GeneratorKind::D1, 9600, maxDouble},  // 3 x clock is no double any more
        {GeneratorKind::BG, maxDouble, 1e-300},
        {GeneratorKind::T1, 9600, std::numeric_limits<double>::denorm_min()},
    };
    for (const Case& c : cases) {
        BaudResult result{0.0, 0, 0, 0, 0.0};
        EXPECT_FALSE(calculateBaudResult(c.kind, c.nominal, c.clock, result))
            << generatorEntry(c.kind).code << " " << c.nominal << " at " << c.clock;
    }
}

TEST(CalculateSettings, JudgesTheDeviationAgainstTheRequiredAccuracy)
{
    struct Case {
        GeneratorKind kind;
        double nominal;
        double accuracy;
        double clock;
        StatusCode status;
    };
    const Case cases[] = {
        {GeneratorKind::T2, 9600, 0.01, 12000000, StatusCode::Ok},
        {GeneratorKind::T1, 9600, 0.01, 12000000, StatusCode::InsufficientAccuracy},  // 6.99 %
        {GeneratorKind::BG, 19200, 0.05, 12000000, StatusCode::CannotGenerate},
        // 18750 Baud for 19200 is exactly 3/128 off: an equal accuracy passes,
        // the next smaller double does not.
        {GeneratorKind::T2, 19200, 0.0234375, 12000000, StatusCode::Ok},
        {GeneratorKind::T2, 19200, std::nextafter(0.0234375, 0.0), 12000000, StatusCode::InsufficientAccuracy},
    };
    for (const Case& c : cases) {
        const Calculation calculation = calculateSettings({c.nominal, c.kind, c.accuracy, c.clock, 0, 0x8000});
        EXPECT_EQ(calculation.status, c.status) << generatorEntry(c.kind).code << " " << c.nominal << " " << c.accuracy;
        if (c.status != StatusCode::CannotGenerate) {
            EXPECT_GT(calculation.result.deviation, 0.0);  // the result comes complete
        }
    }
}

TEST(GeneratorModels, OnlyTheSettingsThatAKindUsesAreWritten)
{
    BaudResult result{0.0, 0, 0, 0, 0.0};
    ASSERT_TRUE(calculateBaudResult(GeneratorKind::T2, 9600, 12000000, result));
    EXPECT_EQ(result.smod, 0);
    EXPECT_EQ(result.prescale, 0);
    result = BaudResult{0.0, 0, 0, 0, 0.0};
    ASSERT_TRUE(calculateBaudResult(GeneratorKind::BG, 9600, 12000000, result));
    EXPECT_EQ(result.reload, 0);
    EXPECT_EQ(result.prescale, 0);
}

}  // namespace

}  // namespace calculator
