// kernelVersion against a pattern of the release text: three runs of digits
// from the first character on, each after exactly one separator.
#include "fuzz_support.h"
#include "quorvik/kernel_information.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const std::regex pattern("([0-9]+)[^0-9]([0-9]+)[^0-9]([0-9]+)([^0-9][\\s\\S]*)?");
    const std::string release = textOf(data, std::min(size, quorvik::maxReleaseLength));
    quorvik::KernelVersion version{-1, -1, -1};
    const bool found = quorvik::kernelVersion(release, version);

    std::smatch parts;
    bool expected = std::regex_match(release, parts, pattern);
    int16_t numbers[3] = {0, 0, 0};
    for (int i = 0; expected && i < 3; ++i) {
        uint64_t value = 0;
        expected = referenceValue(parts[i + 1], 10, 0x7FFFFFFF, value);
        numbers[i] = static_cast<int16_t>(static_cast<uint16_t>(value));
    }
    FUZZ_CHECK(found == expected, release);
    if (found) {
        FUZZ_CHECK(version.major == numbers[0] && version.minor == numbers[1] && version.patch == numbers[2], release);
        const std::string name = quorvik::informationFileName('1', version);
        FUZZ_CHECK(name == "/proc/parport/1/hardware" || name == "/proc/sys/dev/parport/parport1/base-addr", name);
    }
    return 0;
}
