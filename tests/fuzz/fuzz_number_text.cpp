// The number text forms on arbitrary values: only the characters and lengths
// that each form may have, and the assembler constants read back to the value.
#include <cmath>
#include <cstring>

#include "calculator/number_text.h"
#include "fuzz_support.h"

namespace {

// Blanks in front, an optional minus, digits, and a point with exactly
// `decimals` digits when there are decimals; or, from 10^36 on, the exponent form.
void checkFixed(const std::string& text, int width, int decimals, bool extended)
{
    static const std::regex fixed[5] = {std::regex(" *-?[0-9]+"), std::regex(" *-?[0-9]+\\.[0-9]{1}"),
                                        std::regex(" *-?[0-9]+\\.[0-9]{2}"), std::regex(" *-?[0-9]+\\.[0-9]{3}"),
                                        std::regex(" *-?[0-9]+\\.[0-9]{4}")};
    static const std::regex extendedExponent(" *[ -][0-9]\\.[0-9]{16}E\\+[0-9]{4}");
    static const std::regex doubleExponent(" *[ -][0-9]\\.[0-9]{15}E\\+[0-9]{3}");
    FUZZ_CHECK(std::regex_match(text, fixed[decimals]) ||
                   std::regex_match(text, extended ? extendedExponent : doubleExponent),
               text);
    FUZZ_CHECK(text.size() >= static_cast<size_t>(width), text);
}

void checkAssemblerConstant(const std::string& text, unsigned value)
{
    static const std::regex form("[0-9]|0[0-9A-F]{1,4}H");
    FUZZ_CHECK(std::regex_match(text, form), text);
    const std::string digits = text.back() == 'H' ? text.substr(0, text.size() - 1) : text;
    uint64_t readBack = 0;
    FUZZ_CHECK(referenceValue(digits, text.back() == 'H' ? 16 : 10, 0xFFFF, readBack) && readBack == value, text);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 20) {
        return 0;
    }
    long double extended = 0.0L;
    std::memcpy(&extended, data, 10);
    double real = 0.0;
    std::memcpy(&real, data + 10, 8);
    const int width = data[18] % 40;
    const int decimals = data[19] % 5;

    if (std::isfinite(extended)) {
        checkFixed(calculator::fixedText(extended, width, decimals), width, decimals, true);
    }
    if (std::isfinite(real)) {
        checkFixed(calculator::fixedTextOfDouble(real, width, decimals), width, decimals, false);
        static const std::regex exponentForm("[ -][0-9]\\.[0-9]{15}E[+-][0-9]{3}");
        const std::string exponent = calculator::exponentText(real);
        FUZZ_CHECK(exponent.size() == 23 && std::regex_match(exponent, exponentForm), exponent);
        const double magnitude = std::fabs(real);
        if (magnitude > 0.0) {
            const std::string baud = calculator::baudText(magnitude);
            FUZZ_CHECK(!baud.empty() && (magnitude >= 1.0 || baud.size() == 23), baud);
        }
        const uint16_t word = calculator::timingWord(real);
        FUZZ_CHECK(!(real > 65535.0) || word == 0, "timing word of a value beyond 65535");
    }
    uint16_t word = 0;
    std::memcpy(&word, data + 10, 2);
    checkAssemblerConstant(calculator::asmWordText(word), word);
    checkAssemblerConstant(calculator::asmByteText(data[12]), data[12]);
    FUZZ_CHECK(calculator::hexWordText(word).size() == 5, calculator::hexWordText(word));
    return 0;
}
