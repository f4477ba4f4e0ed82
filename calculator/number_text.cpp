#include "calculator/number_text.h"

#include <cmath>
#include <vector>

namespace calculator {

namespace {

// How many significant digits a conversion produces and how wide the exponent
// of the exponent form is: the extended format carries a little more than 19
// decimal digits and a double a little less than 16.
struct DigitLimits {
    int significantDigits;
    int exponentDigits;
    int exponentFormFractionDigits;
};
constexpr DigitLimits extendedLimits{17, 4, 16};
constexpr DigitLimits doubleLimits{16, 3, 15};

// An integer part of more digits than this is written in the exponent form.
constexpr size_t maxFixedIntegerDigits = 36;

std::string padLeft(std::string text, int width)
{
    if (width > 0 && text.size() < static_cast<size_t>(width)) {
        text.insert(0, static_cast<size_t>(width) - text.size(), ' ');
    }
    return text;
}

// Adds one to a string of decimal digits; a carry out of the first digit
// makes the string one digit longer.
void incrementDigits(std::string& digits)
{
    for (size_t i = digits.size(); i-- > 0;) {
        if (digits[i] != '9') {
            ++digits[i];
            return;
        }
        digits[i] = '0';
    }
    digits.insert(0, 1, '1');
}

// Keeps the first `keep` digits, rounded half up on the digit that follows,
// and writes zeros in place of the others. The exact expansion is at hand,
// so the next digit alone decides whether the rest is at least one half.
// A carry out of the first digit makes the string one digit longer.
std::string roundToSignificantDigits(const std::string& digits, size_t keep)
{
    if (digits.size() <= keep) {
        return digits;
    }
    std::string head = digits.substr(0, keep);
    if (digits[keep] >= '5') {
        incrementDigits(head);
    }
    return head + std::string(digits.size() - keep, '0');
}

// The exact decimal digits of a non-negative integral value, "0" below one.
// The 64-bit mantissa is multiplied out by its power of two in base 10^9 limbs,
// so values far beyond the range of a 64-bit integer come out exactly.
std::string integerDigits(common::Extended integral)
{
    if (integral < 1) {
        return "0";
    }
    constexpr uint32_t limbBase = 1000000000u;
    int binaryExponent = 0;
    const common::Extended fraction = common::splitBinaryExponent(integral, binaryExponent);
    uint64_t mantissa = 0;
    int shift = 0;
    if (binaryExponent <= 64) {
        mantissa = static_cast<uint64_t>(integral);
    } else {
        mantissa = static_cast<uint64_t>(common::timesPowerOfTwo(fraction, 64));
        shift = binaryExponent - 64;
    }
    std::vector<uint32_t> limbs;  // least significant first
    for (; mantissa > 0; mantissa /= limbBase) {
        limbs.push_back(static_cast<uint32_t>(mantissa % limbBase));
    }
    while (shift > 0) {
        // 2^29 times a limb below 10^9 plus a carry stays within 64 bits.
        const int step = shift < 29 ? shift : 29;
        uint64_t carry = 0;
        for (uint32_t& limb : limbs) {
            const uint64_t value = (static_cast<uint64_t>(limb) << step) + carry;
            limb = static_cast<uint32_t>(value % limbBase);
            carry = value / limbBase;
        }
        for (; carry > 0; carry /= limbBase) {
            limbs.push_back(static_cast<uint32_t>(carry % limbBase));
        }
        shift -= step;
    }
    std::string text = std::to_string(limbs.back());
    for (size_t i = limbs.size() - 1; i-- > 0;) {
        const std::string limbText = std::to_string(limbs[i]);
        text += std::string(9 - limbText.size(), '0') + limbText;
    }
    return text;
}

std::string zeroPaddedNumber(int value, int digits)
{
    std::string text = std::to_string(value);
    if (text.size() < static_cast<size_t>(digits)) {
        text.insert(0, static_cast<size_t>(digits) - text.size(), '0');
    }
    return text;
}

// " 1.0000000000000000E+0040": for integer parts of more than 36 digits,
// whatever the number of decimals.
std::string exponentForm(bool negative, const std::string& integer, const DigitLimits& limits)
{
    const std::string digits =
        roundToSignificantDigits(integer, static_cast<size_t>(limits.significantDigits));
    const int exponent = static_cast<int>(digits.size()) - 1;
    return std::string(negative ? "-" : " ") + digits[0] + "." +
           digits.substr(1, static_cast<size_t>(limits.exponentFormFractionDigits)) + "E+" +
           zeroPaddedNumber(exponent, limits.exponentDigits);
}

// The fixed form of a value whose integer part alone has more digits than
// the precision limit (10^17 and more for an extended argument). Its fraction
// has few bits, so multiplying it by ten is exact: the digits are those of
// the binary value, rounded half up at the last produced digit, and zeros
// stand for the digits beyond it.
std::string fixedFormOfLongInteger(const std::string& integer, common::Extended fraction,
                                     int decimals, const DigitLimits& limits)
{
    std::string digits = integer;
    for (int place = 0; place < decimals; ++place) {
        fraction *= 10;
        const int digit = static_cast<int>(fraction);
        fraction -= digit;
        digits += static_cast<char>('0' + digit);
    }
    digits = roundToSignificantDigits(digits, static_cast<size_t>(limits.significantDigits));
    const size_t integerLength = digits.size() - static_cast<size_t>(decimals);
    std::string text = digits.substr(0, integerLength);
    if (decimals > 0) {
        text += "." + digits.substr(integerLength);
    }
    return text;
}

// The fixed form within the precision limit: the half unit, the leading
// zeros of values below 0.1 and the digits, all in extended precision.
std::string fixedFormWithinPrecision(std::string integer, common::Extended fraction, common::Extended magnitude,
                                     int decimals)
{
    // Each multiplication of a value below 0.1 stands for one leading zero
    // after the point and one decimal place fewer to round.
    const common::Extended tenth = common::Extended(1) / 10;
    int leadingZeros = 0;
    if (magnitude < tenth) {
        while (fraction < tenth && leadingZeros <= decimals) {
            fraction *= 10;
            ++leadingZeros;
        }
    }

    std::string decimalDigits;
    if (leadingZeros > decimals) {
        // Less than half a unit of the last place: nothing to round.
        decimalDigits.assign(static_cast<size_t>(decimals), '0');
    } else {
        const int places = decimals - leadingZeros;
        common::Extended half = 0.5;
        for (int place = 0; place < places; ++place) {
            half /= 10;
        }
        decimalDigits.assign(static_cast<size_t>(leadingZeros), '0');
        if (fraction >= half) {
            fraction += half;
            if (fraction >= 1) {
                // The carry goes to the last leading zero, or to the integer.
                if (leadingZeros > 0) {
                    decimalDigits.back() = '1';
                } else {
                    incrementDigits(integer);
                }
                fraction -= 1;
            }
        }
        for (int place = 0; place < places; ++place) {
            fraction = (fraction - common::truncated(fraction)) * 10;
            int digit = static_cast<int>(fraction);
            if (digit > 9) {
                digit = 9;
            }
            decimalDigits += static_cast<char>('0' + digit);
        }
    }

    if (decimals > 0) {
        integer += "." + decimalDigits;
    }
    return integer;
}

// Writes "0" for every digit after the first `keep` digits of a text of
// digits and at most one point; the integer part of the texts it gets has no
// leading zero unless it is below 1, where no digit passes the limit.
std::string zerosBeyondSignificantDigits(std::string text, size_t keep)
{
    size_t seen = 0;
    for (char& c : text) {
        if (c != '.' && ++seen > keep) {
            c = '0';
        }
    }
    return text;
}

std::string fixedTextWithLimits(common::Extended x, int width, int decimals, const DigitLimits& limits)
{
    if (decimals < 0) {
        decimals = 0;
    } else if (decimals > 4) {
        decimals = 4;
    }
    if (common::isNotANumber(x)) {
        return padLeft("NaN", width);
    }
    const bool negative = common::hasSignBit(x);
    if (common::isInfinite(x)) {
        return padLeft(negative ? "-Inf" : "Inf", width);
    }

    const common::Extended magnitude = common::magnitudeOf(x);
    const common::Extended integral = common::truncated(magnitude);
    const common::Extended fraction = magnitude - integral;  // exact
    const std::string integer = integerDigits(integral);

    // A value just below 10^36 whose digits round up to 37 takes the exponent form too.
    const size_t roundedIntegerLength =
        roundToSignificantDigits(integer, static_cast<size_t>(limits.significantDigits)).size();
    if (roundedIntegerLength > maxFixedIntegerDigits) {
        return padLeft(exponentForm(negative, integer, limits), width);
    }
    const size_t limit = static_cast<size_t>(limits.significantDigits);
    std::string text;
    if (integer.size() > limit) {
        text = fixedFormOfLongInteger(integer, fraction, decimals, limits);
    } else {
        // Below the limit the digits are those of the half-unit rounding;
        // the ones past the limit become zeros without rounding again.
        text = zerosBeyondSignificantDigits(fixedFormWithinPrecision(integer, fraction, magnitude, decimals),
                                            limit);
    }
    if (negative) {
        text.insert(0, 1, '-');
    }
    return padLeft(text, width);
}

}  // namespace

std::string fixedText(common::Extended x, int width, int decimals)
{
    return fixedTextWithLimits(x, width, decimals, extendedLimits);
}

std::string fixedTextOfDouble(double x, int width, int decimals)
{
    return fixedTextWithLimits(x, width, decimals, doubleLimits);
}

std::string percentText(common::Extended fraction)
{
    return fixedText(fraction * 100, 0, 2);
}

std::string megahertzText(double clock)
{
    return fixedText(common::Extended(clock) / 1000000, 0, 4);
}

std::string exponentText(double x)
{
    constexpr int significantDigits = 16;
    constexpr size_t textLength = 23;
    if (!std::isfinite(x)) {
        return padLeft(std::isnan(x) ? "NaN" : (x < 0 ? "-Inf" : "Inf"), textLength);
    }
    const bool negative = std::signbit(x);
    common::Extended scaled = common::magnitudeOf(x);
    int exponent = 0;  // the value is 0.ddd... times 10^exponent
    if (scaled != 0) {
        const common::Extended tenth = common::Extended(1) / 10;
        while (scaled < tenth) {
            scaled *= 10;
            --exponent;
        }
        while (scaled >= 1) {
            scaled /= 10;
            ++exponent;
        }
        scaled += common::Extended(5) / 100000000000000000.0;  // half a unit of the sixteenth digit
        if (scaled >= 1) {
            scaled /= 10;
            ++exponent;
        }
        --exponent;  // the text shows d.ddd... times 10^exponent
    }
    std::string digits;
    for (int i = 0; i < significantDigits; ++i) {
        scaled *= 10;
        int digit = static_cast<int>(scaled);
        if (digit > 9) {
            digit = 9;
        }
        scaled -= digit;
        digits += static_cast<char>('0' + digit);
    }
    return std::string(negative ? "-" : " ") + digits[0] + "." + digits.substr(1) + "E" +
           (exponent < 0 ? "-" : "+") + zeroPaddedNumber(exponent < 0 ? -exponent : exponent, 3);
}

std::string baudText(double x)
{
    if (x >= 10000.0) {
        return fixedTextOfDouble(x, 0, 0);
    }
    if (x >= 1000.0) {
        return fixedTextOfDouble(x, 0, 1);
    }
    if (x >= 100.0) {
        return fixedTextOfDouble(x, 0, 2);
    }
    if (x >= 10.0) {
        return fixedTextOfDouble(x, 0, 3);
    }
    if (x >= 1.0) {
        return fixedTextOfDouble(x, 0, 4);
    }
    return exponentText(x);
}

std::string byteHexText(uint8_t b)
{
    static const char hexDigits[] = "0123456789ABCDEF";
    return {hexDigits[b >> 4], hexDigits[b & 0x0F]};
}

std::string hexWordText(uint16_t w)
{
    return byteHexText(static_cast<uint8_t>(w >> 8)) + byteHexText(static_cast<uint8_t>(w & 0xFF)) + "H";
}

namespace {

// An assembler number must begin with a decimal digit.
std::string asmHexConstant(const std::string& hexDigits)
{
    return (hexDigits[0] == '0' ? "" : "0") + hexDigits + "H";
}

}  // namespace

std::string asmByteText(uint8_t b)
{
    if (b < 10) {
        return std::string(1, static_cast<char>('0' + b));
    }
    return asmHexConstant(byteHexText(b));
}

std::string asmWordText(uint16_t w)
{
    if (w < 10) {
        return std::string(1, static_cast<char>('0' + w));
    }
    const uint8_t high = static_cast<uint8_t>(w >> 8);
    const uint8_t low = static_cast<uint8_t>(w & 0xFF);
    return asmHexConstant((high != 0 ? byteHexText(high) : std::string()) + byteHexText(low));
}

uint16_t timingWord(double x)
{
    // Counts above 65535 do not fit; negative values and NaN never occur in
    // a run and give 0 as well.
    if (!(x >= 0.0 && x <= 65535.0)) {
        return 0;
    }
    // Round x + 0.5 to the nearest count, halves away from zero.
    const double y = static_cast<double>(common::Extended(x) + 0.5);
    const common::Extended yExtended = y;
    const long long count = static_cast<long long>(common::truncated(yExtended + (yExtended - common::truncated(yExtended))));
    uint32_t word = static_cast<uint32_t>(count) & 0xFFFFu;
    if ((count & 0xFF) != 0) {
        word = (word + 0x100u) & 0xFFFFu;
    }
    return static_cast<uint16_t>(word);
}

}  // namespace calculator
