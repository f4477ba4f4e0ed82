#include "common/real_text.h"

#include "common/digits.h"
#include "common/extended.h"

namespace common {

namespace {

// Powers of ten beyond this exponent are infinite in extended precision
// anyway; clamping the exponent keeps its accumulation from overflowing.
constexpr long exponentCeiling = 100000;

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

    Extended v = 0;
    int mantissaDigits = 0;
    for (; i < length && isDecimalDigit(text[i]); ++i, ++mantissaDigits) {
        v = v * 10 + (text[i] - '0');
    }
    if (i < length && text[i] == '.') {
        ++i;
        Extended divisor = 1;
        for (; i < length && isDecimalDigit(text[i]); ++i, ++mantissaDigits) {
            v = v * 10 + (text[i] - '0');
            divisor *= 10;
        }
        v /= divisor;
    }
    if (mantissaDigits == 0) {
        return false;
    }

    if (i < length && (text[i] == 'E' || text[i] == 'e')) {
        ++i;
        bool negativeExponent = false;
        if (i < length && (text[i] == '+' || text[i] == '-')) {
            negativeExponent = text[i] == '-';
            ++i;
        }
        long exponent = 0;
        int exponentDigits = 0;
        for (; i < length && isDecimalDigit(text[i]); ++i, ++exponentDigits) {
            exponent = exponent * 10 + (text[i] - '0');
            if (exponent > exponentCeiling) {
                exponent = exponentCeiling;
            }
        }
        if (exponentDigits == 0) {
            return false;
        }
        // Zero stays zero whatever the exponent (0 times infinity would be NaN).
        if (v != 0) {
            Extended power = 1;
            for (long step = 0; step < exponent && !isInfinite(power); ++step) {
                power *= 10;
            }
            v = negativeExponent ? v / power : v * power;
        }
    }
    if (i != length) {
        return false;
    }

    if (negative) {
        v = -v;
    }
    value = static_cast<double>(v);
    return true;
}

}  // namespace common
