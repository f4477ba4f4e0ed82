#include "calculator/number_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <random>

namespace calculator {

namespace {

struct FixedCase {
    common::Extended x;
    int width;
    int decimals;
    const char* expected;
};

TEST(FixedText, RoundsHalfUpInExtendedPrecision)
{
    const FixedCase cases[] = {
        {12.0, 0, 4, "12.0000"},
        {11.0592, 0, 4, "11.0592"},
        {common::Extended(11059200) / 1000000, 0, 4, "11.0592"},
        {common::Extended(3686400) / 1000000, 0, 4, "3.6864"},
        {0.1, 0, 2, "0.10"},
        {common::Extended(0.01) * 100, 0, 2, "1.00"},
        {2.5, 0, 0, "3"},      // exact halves round up with no decimals
        {0.25, 0, 1, "0.3"},   // and with one
        {0.125, 0, 2, "0.12"}, // the extended half unit lets this one down
        {9.99995, 0, 4, "10.0000"},  // carry into a new integer digit
        {99.96, 0, 1, "100.0"},
        {0.5, 0, 0, "1"},
        {0.49, 0, 0, "0"},
        {6.99, 0, 2, "6.99"},
        {common::Extended(16) / 7 * 100 / 100, 0, 4, "2.2857"},
        {123.0, 0, 0, "123"},  // no point without decimals
        {7.0, 0, 3, "7.000"},
    };
    for (const FixedCase& c : cases) {
        EXPECT_EQ(fixedText(c.x, c.width, c.decimals), c.expected) << "x=" << static_cast<double>(c.x);
    }
}

TEST(FixedText, LeadingZerosAfterThePointOfSmallValues)
{
    const FixedCase cases[] = {
        {0.004, 0, 2, "0.00"},
        {0.006, 0, 2, "0.01"},     // the carry turns the last leading zero into a one
        {0.0004, 0, 2, "0.00"},    // more leading zeros than decimals
        {0.0006, 0, 3, "0.001"},
        {0.05, 0, 0, "0"},
        {0.0016, 0, 2, "0.00"},
        {0.016, 0, 2, "0.02"},
        {0.0123, 0, 4, "0.0123"},
        {0.0999996, 0, 4, "0.1000"}, // carry across the point position of the scaled value
        {0.0, 0, 2, "0.00"},
        {0.0, 0, 0, "0"},
    };
    for (const FixedCase& c : cases) {
        EXPECT_EQ(fixedText(c.x, c.width, c.decimals), c.expected) << "x=" << static_cast<double>(c.x);
    }
}

TEST(FixedText, SignAndWidth)
{
    const FixedCase cases[] = {
        {1.0, 7, 1, "    1.0"},
        {11.0592, 9, 4, "  11.0592"},
        {5.0, 7, 1, "    5.0"},
        {123456.0, 3, 0, "123456"},  // a longer text is never cut
        {-0.0, 0, 2, "-0.00"},       // a negative zero keeps its sign
        {-1.5, 6, 1, "  -1.5"},
        {-0.001, 0, 2, "-0.00"},
    };
    for (const FixedCase& c : cases) {
        EXPECT_EQ(fixedText(c.x, c.width, c.decimals), c.expected) << "x=" << static_cast<double>(c.x);
    }
}

TEST(FixedText, DigitsBeyondThePrecisionLimitAreZeros)
{
    // 17 significant digits for an extended argument; from 10^17 on rounded at the last one.
    EXPECT_EQ(fixedText(common::extendedFromText("123456789012345678901234567890"), 0, 0), "123456789012345680000000000000");
    EXPECT_EQ(fixedText(common::extendedFromText("100000000000000000"), 0, 4), "100000000000000000.0000");
    EXPECT_EQ(fixedText(common::extendedFromText("123456789012345678.9"), 0, 4), "123456789012345680.0000");
    EXPECT_EQ(fixedText(common::extendedFromText("1.0e35"), 0, 4), "100000000000000000000000000000000000.0000");
    EXPECT_EQ(fixedText(common::extendedFromText("99999999999999999"), 0, 0), "99999999999999999");
    // 16 for a double argument.
    EXPECT_EQ(fixedTextOfDouble(123456789012345678.0, 0, 0), "123456789012345700");
    EXPECT_EQ(fixedTextOfDouble(1234567890123456.0, 0, 0), "1234567890123456");
}

// Below 10^17 the digits are those that the half-unit rounding makes, and
// the ones past the 17th significant digit become zeros unrounded.
TEST(FixedText, CutsRatherThanRoundsPastSeventeenDigitsBelowTenToTheSeventeenth)
{
    struct TextCase {
        const char* x;
        const char* expected;
    };
    const TextCase cases[] = {
        {"1234567890123.45678", "1234567890123.4568"},  // 17 digits: all made, none cut
        {"12345678901234.56789", "12345678901234.5670"},
        {"1234567890123456.789", "1234567890123456.7000"},
        {"12345678901234567.89", "12345678901234567.0000"},
        {"99999999999999991.6", "99999999999999991.0000"},
        {"12345678901234.99996", "12345678901235.0000"},  // the half unit carries into the integer
        {"99999999999999.99999", "100000000000000.0000"},
    };
    for (const TextCase& c : cases) {
        EXPECT_EQ(fixedText(common::extendedFromText(c.x), 0, 4), c.expected) << c.x;
    }
    // The clock of "mardeluk 50 BG 1E0 1E17": 10^23 Hz as a double, in MHz.
    EXPECT_EQ(fixedText(common::Extended(1e23) / 1000000, 0, 4), "99999999999999991.0000");
}

TEST(FixedText, ExponentFormFromTenToTheThirtySixth)
{
    EXPECT_EQ(fixedText(common::extendedFromText("1.0e40"), 0, 2), " 1.0000000000000000E+0040");
    EXPECT_EQ(fixedText(common::extendedFromText("1.0e36"), 0, 4), " 1.0000000000000000E+0036");
    EXPECT_EQ(fixedText(common::extendedFromText("-2.5e100"), 0, 0), "-2.5000000000000000E+0100");
    EXPECT_EQ(fixedText(std::numeric_limits<common::Extended>::max(), 0, 4), " 1.1897314953572318E+4932");
    EXPECT_EQ(fixedTextOfDouble(1.0e300, 0, 0), " 1.000000000000000E+300");
    EXPECT_EQ(fixedTextOfDouble(std::numeric_limits<double>::max(), 0, 0), " 1.797693134862316E+308");
    EXPECT_EQ(fixedText(common::extendedFromText("1.0e36"), 30, 0), "      1.0000000000000000E+0036");
    // Just below 10^36 the fixed form still holds.
    EXPECT_EQ(fixedText(common::extendedFromText("9.0e35"), 0, 0), "900000000000000000000000000000000000");
}

// Away from ties, rounding half up and rounding half to even agree, so the C
// library's exact conversion is an independent reference for ordinary values.
TEST(FixedText, AgreesWithAnExactConversionAwayFromTies)
{
    if (std::numeric_limits<long double>::digits < 64) {
        GTEST_SKIP() << "the C library prints long double, which holds fewer digits than the extended type here";
    }
    std::mt19937_64 generator(20261208);
    std::uniform_real_distribution<double> mantissa(1.0, 10.0);
    std::uniform_int_distribution<int> exponent(-7, 12);
    std::uniform_int_distribution<int> decimalCount(0, 4);
    const auto powerOfTen = [](int power) {
        common::Extended value = 1;
        for (int i = 0; i < (power < 0 ? -power : power); ++i) {
            value = power < 0 ? value / 10 : value * 10;
        }
        return value;
    };
    int compared = 0;
    for (int i = 0; i < 20000; ++i) {
        const common::Extended x = mantissa(generator) * powerOfTen(exponent(generator)) / 7;
        const int decimals = decimalCount(generator);
        // Skip values within a whisker of a tie: there the extended half unit decides.
        const common::Extended scaled = x * powerOfTen(decimals);
        const common::Extended distanceToTie = common::magnitudeOf(scaled - common::truncated(scaled) - 0.5);
        if (distanceToTie < 1e-9) {
            continue;
        }
        char reference[64];
        std::snprintf(reference, sizeof reference, "%.*Lf", decimals, static_cast<long double>(x));
        ASSERT_EQ(fixedText(x, 0, decimals), reference) << "decimals " << decimals;
        ++compared;
    }
    EXPECT_GT(compared, 19000);
}

TEST(ExponentText, SixteenDigitsAndAThreeDigitExponent)
{
    struct Case {
        double x;
        const char* expected;
    };
    const Case cases[] = {
        {0.5, " 5.000000000000000E-001"},
        {0.0625, " 6.250000000000000E-002"},
        {0.0009765625, " 9.765625000000000E-004"},
        {0.1, " 1.000000000000000E-001"},
        {0.123456789012345678, " 1.234567890123457E-001"},
        {std::numeric_limits<double>::denorm_min(), " 4.940656458412465E-324"},
        {std::nextafter(0.1, 0.0), " 9.999999999999999E-002"},
        {std::nextafter(1.0, 0.0), " 9.999999999999999E-001"},
    };
    for (const Case& c : cases) {
        const std::string text = exponentText(c.x);
        EXPECT_EQ(text, c.expected);
        EXPECT_EQ(text.size(), 23u);
    }
}

TEST(BaudText, DecimalsFollowTheSizeOfTheRate)
{
    struct Case {
        double x;
        const char* expected;
    };
    const Case cases[] = {
        {9600.0, "9600.0"},
        {12000000.0 / 1248.0, "9615.4"},
        {57600.0, "57600"},
        {115200.0, "115200"},
        {115384.6, "115385"},
        {9999.96, "10000.0"},  // the range is chosen before rounding
        {1201.923076923077, "1201.9"},
        {300.0, "300.00"},
        {75.0, "75.000"},
        {19.0738, "19.074"},
        {1.2, "1.2000"},
        {0.5, " 5.000000000000000E-001"},
        {1.0e300, " 1.000000000000000E+300"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(baudText(c.x), c.expected) << c.x;
    }
}

TEST(HexTexts, ReportAndAssemblerForms)
{
    EXPECT_EQ(byteHexText(0), "00");
    EXPECT_EQ(byteHexText(253), "FD");
    EXPECT_EQ(hexWordText(0x0000), "0000H");
    EXPECT_EQ(hexWordText(0x8000), "8000H");
    EXPECT_EQ(hexWordText(0xFFFF), "FFFFH");
    EXPECT_EQ(hexWordText(0x03D9), "03D9H");

    struct Case {
        unsigned value;
        const char* expected;
    };
    const Case byteCases[] = {{0, "0"}, {5, "5"}, {9, "9"}, {0x0A, "0AH"}, {0x12, "012H"},
                              {0x80, "080H"}, {0xFD, "0FDH"}, {0xFF, "0FFH"}};
    for (const Case& c : byteCases) {
        EXPECT_EQ(asmByteText(static_cast<uint8_t>(c.value)), c.expected);
    }
    const Case wordCases[] = {{0, "0"}, {5, "5"}, {10, "0AH"}, {0x12, "012H"}, {0xFF, "0FFH"},
                              {0x100, "0100H"}, {0x102, "0102H"}, {0x2F5, "02F5H"},
                              {0xFFDC, "0FFDCH"}, {0x8000, "08000H"}, {0xFFFF, "0FFFFH"}};
    for (const Case& c : wordCases) {
        EXPECT_EQ(asmWordText(static_cast<uint16_t>(c.value)), c.expected);
    }
}

TEST(TimingWord, RoundsUpAndRaisesTheHighByte)
{
    struct Case {
        double x;
        unsigned expected;
    };
    const Case cases[] = {
        {500.0, 0x2F5},     // 501 = 1F5H, plus 100H
        {1.1458, 0x102},    // 2
        {255.3, 0x100},     // 256: low byte zero, no raise
        {460.8, 0x2CD},
        {921.6, 0x49A},
        {0.3, 0x101},
        {65534.2, 0x0FF},   // FFFFH + 100H wraps
        {65535.0, 0},       // 65536 wraps to zero
        {65535.5, 0},       // too large
        {1.0e300, 0},
        {0.0, 0x101},
        {-1.0, 0},
        {std::nan(""), 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(timingWord(c.x), c.expected) << c.x;
    }
}

}  // namespace

}  // namespace calculator
