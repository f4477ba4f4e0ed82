// parseHexWord and readAddressParam against the form of an address and a
// reference conversion of its digits.
#include "calculator/parameters.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Any leading zeros, at most eight significant digits, an optional H.
    static const std::regex form("0*[1-9A-Fa-f][0-9A-Fa-f]{0,7}[Hh]?|0+[Hh]?");
    const std::string text = textOf(data, std::min(size, argumentLimit));
    int32_t value = 0;
    const bool accepted = calculator::parseHexWord(text, value);
    FUZZ_CHECK(accepted == std::regex_match(text, form), text);

    uint16_t address = 0;
    const calculator::StatusCode status = calculator::readAddressParam(text, address);
    if (!accepted) {
        FUZZ_CHECK(status == calculator::StatusCode::InvalidHex, text);
        return 0;
    }
    const std::string digits = text.back() == 'H' || text.back() == 'h' ? text.substr(0, text.size() - 1) : text;
    uint64_t reference = 0;
    FUZZ_CHECK(referenceValue(digits, 16, 0xFFFFFFFFu, reference), text);
    FUZZ_CHECK(value == static_cast<int32_t>(static_cast<uint32_t>(reference)), text);
    if (reference <= 0xFFFF) {
        FUZZ_CHECK(status == calculator::StatusCode::Ok && address == reference, text);
    } else {
        FUZZ_CHECK(status == calculator::StatusCode::AddressOutOfRange, text);
    }
    return 0;
}
