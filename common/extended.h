// The one real type of mardeluk's arithmetic: the 80-bit extended format of
// the x87 unit (64-bit significand, round to nearest even, exponents from
// -16382 to 16383), so that every machine computes, prints and writes the
// same digits. x86 processors have it as long double. Elsewhere long double
// is a 128-bit or a 64-bit type, which rounds differently, and the format is
// taken from Boost.Multiprecision instead: a binary float of 64 digits with
// the same exponent range, correctly rounded in every operation (releases
// before 1.81 mis-round some subtractions). It has no subnormal numbers; the
// only value that could fall below 2^-16382 is a parsed number on its way to
// a double, where it becomes zero either way.
//
// The code reads the same for both: literals come as int or double (exact)
// or as quotients of them, and the functions below stand for <cmath>'s. A
// double on the left of a subtraction goes first into an Extended: the
// library subtracts `double - Extended` the other way round and negates,
// which turns the difference of equal values into -0.
#pragma once

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdlib>

#if LDBL_MANT_DIG != 64 || defined(KORVANE_EMULATED_EXTENDED)
#include <boost/multiprecision/cpp_bin_float.hpp>
#endif

namespace common {

#if LDBL_MANT_DIG == 64 && !defined(KORVANE_EMULATED_EXTENDED)

using Extended = long double;

inline Extended extendedFromText(const char* text)
{
    return std::strtold(text, nullptr);
}

#else

#if BOOST_VERSION < 108100
#error "the extended type needs Boost.Multiprecision 1.81 or newer (Debian: libboost1.81-dev)"
#endif

using Extended = boost::multiprecision::number<
    boost::multiprecision::cpp_bin_float<64, boost::multiprecision::digit_base_2, void, std::int16_t, -16382, 16383>,
    boost::multiprecision::et_off>;

// Correctly rounded, as the C library's strtold is.
inline Extended extendedFromText(const char* text)
{
    return Extended(text);
}

#endif

// <cmath> for either type: std's overloads for long double, the library's
// own functions, found by argument-dependent lookup, for its type.
inline Extended truncated(Extended x)
{
    using std::trunc;
    return trunc(x);
}

inline Extended magnitudeOf(Extended x)
{
    using std::fabs;
    return fabs(x);
}

inline bool isNotANumber(Extended x)
{
    using std::isnan;
    return isnan(x);
}

inline bool isInfinite(Extended x)
{
    using std::isinf;
    return isinf(x);
}

inline bool hasSignBit(Extended x)
{
    using std::signbit;
    return signbit(x);
}

// x = fraction * 2^exponent with 0.5 <= |fraction| < 1.
inline Extended splitBinaryExponent(Extended x, int& exponent)
{
    using std::frexp;
    return frexp(x, &exponent);
}

inline Extended timesPowerOfTwo(Extended x, int exponent)
{
    using std::ldexp;
    return ldexp(x, exponent);
}

}  // namespace common
