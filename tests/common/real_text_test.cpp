// The number form of a real number: what it takes, what it refuses, and
// values beyond a double.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "common/real_text.h"

namespace common {

namespace {

TEST(ParseReal, AcceptedFormsAndTheirValues)
{
    struct Case {
        const char* text;
        double value;
    };
    const Case cases[] = {
        {"9600", 9600.0},   {" 9600", 9600.0},  {"\t 9600", 9600.0}, {"+9600", 9600.0},
        {"9.6E3", 9600.0},  {"9.6e+3", 9600.0}, {"5.", 5.0},         {".5", 0.5},
        {"-9600", -9600.0}, {"12", 12.0},       {"11.0592", 11.0592}, {"0.1", 0.1},
        {"96000e-1", 9600.0}, {"000012.500", 12.5}, {"1E-400", 0.0},
        {"0E999999", 0.0},  // zero whatever the exponent
    };
    for (const Case& c : cases) {
        double value = -1.0;
        ASSERT_TRUE(parseReal(c.text, value)) << c.text;
        EXPECT_EQ(value, c.value) << c.text;
    }
}

TEST(ParseReal, RejectedForms)
{
    const char* const texts[] = {"9600 ", "9600x", "9,6", ".", "E3", "1E", "1E+", "", "+", "-",
                                 "inf", "nan", "0x10", "- 1", "1e5.5", "++1", "1..2", "1E--2", " ",
                                 "1 E3", "\xB9"};
    for (const char* text : texts) {
        double value = 0.0;
        EXPECT_FALSE(parseReal(text, value)) << "'" << text << "'";
    }
}

// A power built one step per exponent unit would not end within the test's
// time limit for the huge exponents here.
TEST(ParseReal, ValuesBeyondADoubleComeBackInfinite)
{
    double value = 0.0;
    ASSERT_TRUE(parseReal("1E400", value));
    EXPECT_TRUE(std::isinf(value) && value > 0);
    ASSERT_TRUE(parseReal("-1E99999999999999999999", value));
    EXPECT_TRUE(std::isinf(value) && value < 0);
    ASSERT_TRUE(parseReal("1E-99999999999999999999", value));
    EXPECT_EQ(value, 0.0);
    ASSERT_TRUE(parseReal(std::string(400, '9'), value));
    EXPECT_TRUE(std::isinf(value));
}

// Texts of more digits than the extended type holds, which digit by digit
// gave infinity over infinity: never NaN, the value from the first digits.
TEST(ParseReal, ThousandsOfDigitsAreNeverNotANumber)
{
    const std::string ones(5000, '1');
    const std::string zeros(5000, '0');
    const struct {
        std::string text;
        double value;
    } cases[] = {
        {ones + "." + ones, std::numeric_limits<double>::infinity()},
        {"0." + ones, 0.1111111111111111111},
        {"." + zeros + ones, 0.0},
        {ones + "e-4999", 1.111111111111111111},
    };
    for (const auto& c : cases) {
        double value = 0.0;
        ASSERT_TRUE(parseReal(c.text, value)) << c.text.substr(0, 40);
        EXPECT_DOUBLE_EQ(value, c.value) << c.text.substr(0, 40);
    }
}

}  // namespace

}  // namespace common
