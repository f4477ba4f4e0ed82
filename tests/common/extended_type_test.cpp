// The library's extended type, which ARM builds compute with, against the x87
// unit's own long double, operation by operation: the same bits for every
// sum, difference, product, quotient, rounding to double and decimal text in
// the normal range, and the same overflow to infinity. Built only where long
// double is the x87 format, with KORVANE_EMULATED_EXTENDED set.
#include <gtest/gtest.h>

#include <cfloat>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <tuple>

#include "common/extended.h"

namespace common {

namespace {

using Hardware = long double;

// The exact value of a finite hardware number as the library type.
Extended exactly(Hardware value)
{
    int exponent = 0;
    const Hardware fraction = std::frexp(value, &exponent);
    const Extended significand = static_cast<unsigned long long>(std::ldexp(std::fabs(fraction), 64));
    const Extended magnitude = timesPowerOfTwo(significand, exponent - 64);
    return std::signbit(value) ? Extended(-magnitude) : magnitude;
}

bool same(Hardware expected, Extended actual)
{
    if (std::isinf(expected)) {
        return isInfinite(actual) && (expected < 0) == (actual < 0);
    }
    return std::signbit(expected) == hasSignBit(actual) && exactly(expected) == actual;
}

// A random normal number: 64 random bits (some with long runs of zeros or
// ones, where rounding is decided), an exponent in [low, high] and a sign.
Hardware randomNumber(std::mt19937_64& generator, int low, int high)
{
    uint64_t significand = generator() | (1ull << 63);
    if (generator() % 4 == 0) {
        significand &= ~((1ull << (generator() % 64)) - 1);
    } else if (generator() % 4 == 0) {
        significand |= (1ull << (generator() % 64)) - 1;
    }
    const int exponent = low + static_cast<int>(generator() % static_cast<uint64_t>(high - low + 1));
    const Hardware value = std::ldexp(static_cast<Hardware>(significand), exponent - 63);
    return generator() % 2 == 0 ? value : -value;
}

TEST(ExtendedType, EveryOperationRoundsAsTheX87UnitDoes)
{
    std::mt19937_64 generator(20261208);
    // Everyday magnitudes, and the ends of the exponent range (not below it:
    // the library type has no subnormal numbers).
    const int ranges[][2] = {{-70, 70}, {-16300, 16383}, {16300, 16383}, {-16381, -16300}};
    for (int i = 0; i < 400000; ++i) {
        const int* range = ranges[i % 4];
        const Hardware a = randomNumber(generator, range[0], range[1]);
        const Hardware b = i % 5 == 0 ? a * static_cast<Hardware>(1 + generator() % 7) : randomNumber(generator, range[0], range[1]);
        if (std::isinf(b)) {
            continue;
        }
        const Extended x = exactly(a);
        const Extended y = exactly(b);
        const volatile Hardware sum = a + b;
        const volatile Hardware difference = a - b;
        const volatile Hardware product = a * b;
        const volatile Hardware quotient = a / b;
        for (const auto& [name, expected, actual] :
             {std::tuple<const char*, Hardware, Extended>{"+", sum, x + y}, {"-", difference, x - y},
              {"*", product, x * y}, {"/", quotient, x / y}}) {
            if (std::fpclassify(expected) == FP_SUBNORMAL) {
                continue;
            }
            ASSERT_TRUE(same(expected, actual)) << std::hexfloat << a << " " << name << " " << b;
        }
        const double rounded = static_cast<double>(a);
        const double roundedByLibrary = static_cast<double>(x);
        ASSERT_EQ(std::memcmp(&rounded, &roundedByLibrary, sizeof rounded), 0) << std::hexfloat << a;
    }
}

TEST(ExtendedType, DecimalTextsAndTheEndOfTheRange)
{
    std::mt19937_64 generator(7);
    for (int i = 0; i < 20000; ++i) {
        std::string text;
        const int digits = 1 + static_cast<int>(generator() % 25);
        for (int d = 0; d < digits; ++d) {
            text += static_cast<char>('0' + generator() % 10);
        }
        text.insert(1 + generator() % static_cast<uint64_t>(digits), ".");
        text += "e" + std::to_string(static_cast<int>(generator() % 80) - 40);
        ASSERT_TRUE(same(std::strtold(text.c_str(), nullptr), extendedFromText(text.c_str()))) << text;
    }
    // Powers of ten by repeated multiplication, up to and past the overflow.
    Hardware power = 1;
    Extended libraryPower = 1;
    for (int exponent = 0; exponent < 4940; ++exponent, power *= 10, libraryPower *= 10) {
        ASSERT_TRUE(same(power, libraryPower)) << "10^" << exponent;
    }
    EXPECT_TRUE(same(LDBL_MAX, std::numeric_limits<Extended>::max()));
}

}  // namespace

}  // namespace common
