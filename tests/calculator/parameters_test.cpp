#include "calculator/parameters.h"

#include <gtest/gtest.h>

#include <cmath>

namespace calculator {

namespace {

TEST(ParseHexWord, DigitsWithOptionalSuffix)
{
    struct Case {
        const char* text;
        int32_t value;
    };
    const Case cases[] = {
        {"FFFF", 0xFFFF},          {"ffffh", 0xFFFF},    {"0FFFFH", 0xFFFF}, {"000000000000FFFF", 0xFFFF},
        {"0", 0},                  {"8000", 0x8000},     {"10000", 0x10000}, {"7FFFFFFF", 0x7FFFFFFF},
        {"80000000", INT32_MIN},   {"FFFFFFFF", -1},     {"aBcD", 0xABCD},
    };
    for (const Case& c : cases) {
        int32_t value = 12345;
        ASSERT_TRUE(parseHexWord(c.text, value)) << c.text;
        EXPECT_EQ(value, c.value) << c.text;
    }
    const char* const rejected[] = {"123456789", "H", "", "12 ", " 12", "$FF", "0x10", "1HH",
                                    "-1", "G", "12G", "100000000"};
    for (const char* text : rejected) {
        int32_t value = 0;
        EXPECT_FALSE(parseHexWord(text, value)) << "'" << text << "'";
    }
}

TEST(ReadAddressParam, RangeOfAWord)
{
    struct Case {
        const char* text;
        StatusCode status;
        uint16_t address;
    };
    const Case cases[] = {
        {"FFFF", StatusCode::Ok, 0xFFFF},     {"0", StatusCode::Ok, 0},
        {"10000", StatusCode::AddressOutOfRange, 0}, {"FFFFFFFF", StatusCode::AddressOutOfRange, 0},
        {"80000000", StatusCode::AddressOutOfRange, 0}, {"1HH", StatusCode::InvalidHex, 0},
    };
    for (const Case& c : cases) {
        uint16_t address = 0;
        EXPECT_EQ(readAddressParam(c.text, address), c.status) << c.text;
        EXPECT_EQ(address, c.address) << c.text;
    }
}

TEST(FindGenerator, WholeCodesInAnyLetterCase)
{
    struct Case {
        const char* text;
        GeneratorKind kind;
    };
    const Case cases[] = {{"T1", GeneratorKind::T1}, {"t2", GeneratorKind::T2}, {"bg", GeneratorKind::BG},
                          {"Bg", GeneratorKind::BG}, {"bA", GeneratorKind::BA}, {"D1", GeneratorKind::D1}};
    for (const Case& c : cases) {
        GeneratorKind kind = GeneratorKind::T1;
        ASSERT_TRUE(findGenerator(c.text, kind)) << c.text;
        EXPECT_EQ(kind, c.kind) << c.text;
    }
    for (const char* text : {"T1 ", " T1", "T", "T12", "t3", "", "D", "TIMER1"}) {
        GeneratorKind kind = GeneratorKind::T1;
        EXPECT_FALSE(findGenerator(text, kind)) << "'" << text << "'";
    }
}

TEST(ReadParameters, DefaultsAndUnits)
{
    const ParameterOutcome outcome = readParameters({"9600"});
    ASSERT_EQ(outcome.status, StatusCode::Ok);
    EXPECT_EQ(outcome.settings.baudrate, 9600.0);
    EXPECT_EQ(outcome.settings.generator, GeneratorKind::T1);
    EXPECT_EQ(outcome.settings.accuracy, 0.01);
    EXPECT_EQ(outcome.settings.clock, 11059200.0);
    EXPECT_EQ(outcome.settings.start, 0x0000);
    EXPECT_EQ(outcome.settings.user, 0x8000);

    const ParameterOutcome full = readParameters({"19200", "ba", "0.1", "12", "ffffh", "0"});
    ASSERT_EQ(full.status, StatusCode::Ok);
    EXPECT_EQ(full.settings.generator, GeneratorKind::BA);
    EXPECT_EQ(full.settings.accuracy, 0.001);
    EXPECT_EQ(full.settings.clock, 12000000.0);
    EXPECT_EQ(full.settings.start, 0xFFFF);
    EXPECT_EQ(full.settings.user, 0x0000);
}

TEST(ReadParameters, FirstFailingCheckInTheFixedOrder)
{
    struct Case {
        std::vector<std::string> parameters;
        StatusCode status;
        int parameterNumber;
    };
    const Case cases[] = {
        {{"x", "1", "2", "3", "4", "5", "seventh"}, StatusCode::TooManyParameters, 7},
        {{"-h"}, StatusCode::IllegalReal, 1},
        {{""}, StatusCode::IllegalReal, 1},
        {{"0", "zz"}, StatusCode::BaudOutOfRange, 1},
        {{"-9600"}, StatusCode::BaudOutOfRange, 1},
        {{"-0"}, StatusCode::BaudOutOfRange, 1},
        {{"1E400"}, StatusCode::BaudOutOfRange, 1},
        {{"0E999999"}, StatusCode::BaudOutOfRange, 1},
        {{"9600", "T3", "x"}, StatusCode::UnknownGenerator, 2},
        {{"9600", "T1", "x", "x"}, StatusCode::IllegalReal, 3},
        {{"9600", "T1", "5.0001", "x"}, StatusCode::AccuracyOutOfRange, 3},
        {{"9600", "T1", "-0.1"}, StatusCode::AccuracyOutOfRange, 3},
        {{"9600", "T1", "1E400"}, StatusCode::AccuracyOutOfRange, 3},
        {{"9600", "T1", "-1E400"}, StatusCode::AccuracyOutOfRange, 3},
        {{"9600", "T1", "1", "12,0"}, StatusCode::IllegalReal, 4},
        {{"9600", "T1", "1", "0", "zz"}, StatusCode::ClockOutOfRange, 4},
        {{"9600", "T1", "1", "1E400"}, StatusCode::ClockOutOfRange, 4},
        {{"9600", "T1", "1", "1E303"}, StatusCode::ClockOutOfRange, 4},  // beyond a double in Hz
        {{"9600", "T1", "1", "12", "$FF", "zz"}, StatusCode::InvalidHex, 5},
        {{"9600", "T1", "1", "12", "10000", "zz"}, StatusCode::AddressOutOfRange, 5},
        {{"9600", "T1", "1", "12", "0", "12 "}, StatusCode::InvalidHex, 6},
        {{"9600", "T1", "1", "12", "0", "FFFFFFFF"}, StatusCode::AddressOutOfRange, 6},
    };
    for (const Case& c : cases) {
        const ParameterOutcome outcome = readParameters(c.parameters);
        EXPECT_EQ(outcome.status, c.status) << c.parameters[0] << " ... " << c.parameters.back();
        EXPECT_EQ(outcome.parameterNumber, c.parameterNumber) << c.parameters.back();
    }
}

TEST(ReadParameters, AccuracyLimitsAreInclusive)
{
    for (const char* text : {"0", "5", "5.0", "0.0"}) {
        EXPECT_EQ(readParameters({"9600", "T1", text}).status, StatusCode::Ok) << text;
    }
    EXPECT_EQ(readParameters({"9600", "T1", "5"}).settings.accuracy, 0.05);
    // The largest clock that still fits a double in Hz is accepted.
    EXPECT_EQ(readParameters({"9600", "T1", "1", "1E302"}).status, StatusCode::Ok);
}

}  // namespace

}  // namespace calculator
