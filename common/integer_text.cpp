#include "common/integer_text.h"

#include "common/digits.h"

namespace common {

namespace {

constexpr uint64_t largestUnsigned = 0xFFFFFFFFull;
constexpr uint64_t largestPositive = 0x7FFFFFFFull;

// The value of a digit in the given base, or -1 when it is none.
int digitValue(char c, int base)
{
    const int value = hexDigitValue(c);
    return value < base ? value : -1;
}

struct IntegerText {
    bool negative;
    int base;
    uint64_t magnitude;  // stops growing once past 2^32, so it never wraps
};

// Reads the form shared by both conversions; the range is left to the caller.
bool scanIntegerText(const std::string& text, IntegerText& result)
{
    size_t position = 0;
    while (position < text.size() && (text[position] == ' ' || text[position] == '\t')) {
        ++position;
    }
    result = IntegerText{false, 10, 0};
    if (position < text.size() && (text[position] == '+' || text[position] == '-')) {
        result.negative = text[position] == '-';
        ++position;
    }
    if (position < text.size() && text[position] == '$') {
        result.base = 16;
        ++position;
    } else if (position < text.size() && text[position] == '%') {
        result.base = 2;
        ++position;
    }
    if (position == text.size()) {
        return false;
    }
    for (; position < text.size(); ++position) {
        const int digit = digitValue(text[position], result.base);
        if (digit < 0) {
            return false;
        }
        if (result.magnitude <= largestUnsigned) {
            result.magnitude = result.magnitude * static_cast<uint64_t>(result.base) + static_cast<uint64_t>(digit);
        }
    }
    return true;
}

}  // namespace

bool parseInteger(const std::string& text, int32_t& value)
{
    IntegerText scanned{};
    if (!scanIntegerText(text, scanned)) {
        return false;
    }
    if (scanned.base == 10) {
        const uint64_t limit = scanned.negative ? largestPositive + 1 : largestPositive;
        if (scanned.magnitude > limit) {
            return false;
        }
        const int64_t signedValue = static_cast<int64_t>(scanned.magnitude);
        value = static_cast<int32_t>(scanned.negative ? -signedValue : signedValue);
        return true;
    }
    if (scanned.magnitude > largestUnsigned) {
        return false;
    }
    uint32_t bits = static_cast<uint32_t>(scanned.magnitude);
    if (scanned.negative) {
        bits = 0u - bits;
    }
    value = static_cast<int32_t>(bits);
    return true;
}

bool parseUnsigned(const std::string& text, uint32_t& value)
{
    IntegerText scanned{};
    if (!scanIntegerText(text, scanned) || scanned.negative || scanned.magnitude > largestUnsigned) {
        return false;
    }
    value = static_cast<uint32_t>(scanned.magnitude);
    return true;
}

}  // namespace common
