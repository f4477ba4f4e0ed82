// findGenerator against a plain comparison of the upper-cased text with the codes.
#include "calculator/parameters.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text = textOf(data, std::min(size, argumentLimit));
    std::string upper;
    for (char c : text) {
        upper += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
    }
    const char* const codes[] = {"T1", "T2", "BG", "BA", "D1"};
    int expected = -1;
    for (int i = 0; i < 5; ++i) {
        if (upper == codes[i]) {
            expected = i;
        }
    }
    calculator::GeneratorKind kind = calculator::GeneratorKind::T1;
    const bool found = calculator::findGenerator(text, kind);
    FUZZ_CHECK(found == (expected >= 0), text);
    FUZZ_CHECK(!found || static_cast<int>(kind) == expected, text);
    return 0;
}
