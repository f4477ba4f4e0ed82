// parseReal against the grammar of a real number and the C library's
// correctly rounded conversion of the same text.
#include <cmath>
#include <cstdlib>

#include "common/real_text.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const std::regex grammar("[ \t]*[+-]?([0-9]+\\.?[0-9]*|\\.[0-9]+)([eE][+-]?[0-9]+)?");
    const std::string text = textOf(data, std::min(size, argumentLimit));
    double value = 0.0;
    const bool accepted = common::parseReal(text, value);
    FUZZ_CHECK(accepted == std::regex_match(text, grammar), text);
    if (!accepted) {
        return 0;
    }
    FUZZ_CHECK(!std::isnan(value), text);

    char* end = nullptr;
    const long double reference = std::strtold(text.c_str(), &end);
    FUZZ_CHECK(end == text.c_str() + text.size(), text);
    const long double magnitude = std::fabs(reference);
    if (magnitude > 1e307L) {
        // Beyond a double, or close to its end: infinite or huge, never small.
        FUZZ_CHECK(std::isinf(value) || std::fabs(value) > 1e306, text);
    } else if (magnitude < 1e-300L) {
        FUZZ_CHECK(std::fabs(value) < 1e-290, text);
    } else {
        // Digit by digit in extended precision, then rounded: close to exact.
        FUZZ_CHECK(std::fabs(value - reference) <= 1e-13L * magnitude, text);
    }
    FUZZ_CHECK(std::signbit(value) == (text.find('-') != std::string::npos &&
                                        text.find('-') < text.find_first_of("0123456789.")),
               text);
    return 0;
}
