// baseAddressFromLine against the two forms of the first line of the kernel's
// information file, read again independently.
#include "fuzz_support.h"
#include "quorvik/kernel_information.h"

namespace {

bool isHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string line = textOf(data, std::min(size, argumentLimit));
    uint16_t address = 0;
    const bool found = quorvik::baseAddressFromLine(line, address);

    // "base:" ... "0x" and hexadecimal digits, or decimal digits at the start.
    std::string digits;
    int base = 10;
    if (line.rfind("base:", 0) == 0) {
        base = 16;
        const size_t prefix = line.find("0x");
        for (size_t i = prefix == std::string::npos ? line.size() : prefix + 2; i < line.size() && isHexDigit(line[i]); ++i) {
            digits += line[i];
        }
    } else {
        for (size_t i = 0; i < line.size() && line[i] >= '0' && line[i] <= '9'; ++i) {
            digits += line[i];
        }
    }
    uint64_t value = 0;
    // A port number has 16 bits: larger values are no address.
    const bool expected = !digits.empty() && referenceValue(digits, base, 0xFFFF, value);
    FUZZ_CHECK(found == expected, line);
    FUZZ_CHECK(!found || address == value, line);
    return 0;
}
