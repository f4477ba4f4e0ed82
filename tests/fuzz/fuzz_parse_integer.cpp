// parseInteger and parseUnsigned against the rules on form, bases and ranges,
// with the value read again independently.
#include "common/integer_text.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const std::regex form("[ \t]*([+-]?)(\\$[0-9A-Fa-f]+|%[01]+|[0-9]+)");
    const std::string text = textOf(data, std::min(size, argumentLimit));
    int32_t signedValue = 0;
    uint32_t unsignedValue = 0;
    const bool signedAccepted = common::parseInteger(text, signedValue);
    const bool unsignedAccepted = common::parseUnsigned(text, unsignedValue);

    std::smatch parts;
    if (!std::regex_match(text, parts, form)) {
        FUZZ_CHECK(!signedAccepted && !unsignedAccepted, text);
        return 0;
    }
    const bool negative = parts[1] == "-";
    const std::string body = parts[2];
    const int base = body[0] == '$' ? 16 : body[0] == '%' ? 2 : 10;
    uint64_t magnitude = 0;
    const bool fits32 = referenceValue(base == 10 ? body : body.substr(1), base, 0xFFFFFFFFu, magnitude);

    // Decimal: up to 2^31 - 1, or 2^31 with "-". Other bases: up to 2^32 - 1,
    // taken as two's complement, the sign applied afterwards.
    bool signedExpected = fits32;
    int64_t expected = 0;
    if (fits32 && base == 10) {
        signedExpected = magnitude <= (negative ? 0x80000000u : 0x7FFFFFFFu);
        expected = negative ? -static_cast<int64_t>(magnitude) : static_cast<int64_t>(magnitude);
    } else if (fits32) {
        const uint32_t bits = static_cast<uint32_t>(magnitude);
        expected = static_cast<int32_t>(negative ? 0u - bits : bits);
    }
    FUZZ_CHECK(signedAccepted == signedExpected, text);
    FUZZ_CHECK(!signedAccepted || signedValue == expected, text);

    FUZZ_CHECK(unsignedAccepted == (fits32 && !negative), text);
    FUZZ_CHECK(!unsignedAccepted || unsignedValue == magnitude, text);
    return 0;
}
