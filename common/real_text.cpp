#include "common/real_text.h"

#include <algorithm>
#include <cstdint>

#include "common/digits.h"
#include "common/extended.h"

namespace common {

namespace {

// Powers of ten beyond this exponent are infinite in extended precision
// anyway; clamping the exponent keeps its accumulation from overflowing.
constexpr long exponentCeiling = 100000;

// What the value of a text too long for the digit-by-digit rule is made
// of: more significant digits than a double tells apart.
constexpr size_t significantDigits = 19;

// 10^count, by multiplying 1 by 10 count times: infinite once beyond the
// extended range, where the multiplying stops.
Extended powerOfTen(int64_t count)
{
    Extended power = 1;
    for (int64_t step = 0; step < count && !isInfinite(power); ++step) {
        power *= 10;
    }
    return power;
}

// The value of `digits` with the point after the first `integerDigits` of
// them, times 10^exponent, for a text of thousands of digits that the rule
// below cannot take: its digits alone overflow the extended type, and its
// divisor too when it has as many decimals (infinity over infinity is not a
// number). Made from the first significant digits and their place, it is
// finite wherever the number is.
Extended valueOfManyDigits(const std::string& digits, size_t integerDigits, long exponent)
{
    // Not npos: digits that overflow are not all zeros.
    const size_t first = digits.find_first_not_of('0');
    const size_t kept = std::min(digits.size() - first, significantDigits);
    Extended v = 0;
    for (size_t i = first; i < first + kept; ++i) {
        v = v * 10 + (digits[i] - '0');
    }
    const int64_t scale = static_cast<int64_t>(integerDigits) - static_cast<int64_t>(first + kept) + exponent;
    return scale >= 0 ? v * powerOfTen(scale) : v / powerOfTen(-scale);
}

}  // namespace

bool parseReal(const std::string& text, double& value)
{
    const size_t length = text.size();
    size_t i = 0;
    while (i < length && (text[i] == ' ' || text[i] == '\t')) {
        ++i;
    }
    bool negative = false;
    if (i < length && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }

    // Integer digits, then decimals: one run of digits and the point's place.
    std::string digits;
    for (; i < length && isDecimalDigit(text[i]); ++i) {
        digits += text[i];
    }
    const size_t integerDigits = digits.size();
    if (i < length && text[i] == '.') {
        for (++i; i < length && isDecimalDigit(text[i]); ++i) {
            digits += text[i];
        }
    }
    if (digits.empty()) {
        return false;
    }

    long exponent = 0;
    if (i < length && (text[i] == 'E' || text[i] == 'e')) {
        ++i;
        bool negativeExponent = false;
        if (i < length && (text[i] == '+' || text[i] == '-')) {
            negativeExponent = text[i] == '-';
            ++i;
        }
        int exponentDigits = 0;
        for (; i < length && isDecimalDigit(text[i]); ++i, ++exponentDigits) {
            exponent = std::min(exponent * 10 + (text[i] - '0'), exponentCeiling);
        }
        if (exponentDigits == 0) {
            return false;
        }
        exponent = negativeExponent ? -exponent : exponent;
    }
    if (i != length) {
        return false;
    }

    // Digit by digit: v := v * 10 + digit over all the digits, divided by 10
    // once per decimal, then times or divided by 10^|exponent|.
    Extended v = 0;
    for (const char digit : digits) {
        v = v * 10 + (digit - '0');
    }
    if (isInfinite(v)) {
        v = valueOfManyDigits(digits, integerDigits, exponent);
    } else {
        if (digits.size() > integerDigits) {
            v /= powerOfTen(static_cast<int64_t>(digits.size() - integerDigits));
        }
        // Zero stays zero whatever the exponent (0 times infinity would be NaN).
        if (v != 0 && exponent != 0) {
            v = exponent < 0 ? v / powerOfTen(-exponent) : v * powerOfTen(exponent);
        }
    }

    if (negative) {
        v = -v;
    }
    value = static_cast<double>(v);
    return true;
}

}  // namespace common
