#include "quorvik/kernel_information.h"

#include "common/digits.h"
#include "common/integer_text.h"

namespace quorvik {

namespace {

constexpr uint32_t largestVersionNumber = 0x7FFFFFFF;
constexpr uint32_t largestPortNumber = 0xFFFF;

// Before 2.4 the base address is in /proc/parport/n/hardware, from 2.4 on in
// the sysctl tree; the 'n' is replaced by the port number.
constexpr const char* hardwareTemplate = "/proc/parport/n/hardware";
constexpr size_t hardwareNumberPlace = 14;
constexpr const char* sysctlTemplate = "/proc/sys/dev/parport/parportn/base-addr";
constexpr size_t sysctlNumberPlace = 29;

bool startsWith(const std::string& text, const std::string& prefix)
{
    return text.compare(0, prefix.size(), prefix) == 0;
}

// The next decimal number of the release text. `position` is the 1-based
// place of the character last looked at (0 before the first call): the call
// steps over one character, the separator, and then collects digits, leaving
// `position` on the first character that is no digit. Gives false when no
// digit follows or the number exceeds 2^31 - 1; a found number is kept as a
// signed 16-bit value.
bool nextVersionNumber(const std::string& release, size_t& position, int16_t& value)
{
    ++position;
    uint64_t number = 0;
    size_t digits = 0;
    while (position <= release.size() && common::isDecimalDigit(release[position - 1])) {
        if (number <= largestVersionNumber) {
            number = number * 10 + static_cast<uint64_t>(release[position - 1] - '0');
        }
        ++digits;
        ++position;
    }
    if (digits == 0 || number > largestVersionNumber) {
        return false;
    }
    value = static_cast<int16_t>(static_cast<uint16_t>(number));
    return true;
}

}  // namespace

bool kernelVersion(const std::string& release, KernelVersion& version)
{
    version = KernelVersion{0, 0, 0};
    size_t position = 0;
    return nextVersionNumber(release, position, version.major) &&
           nextVersionNumber(release, position, version.minor) &&
           nextVersionNumber(release, position, version.patch);
}

bool kernelDescribesParallelPorts(const KernelVersion& version)
{
    return (version.major == 2 && version.minor > 1) || version.major > 2;
}

std::string informationFileName(char portNumber, const KernelVersion& version)
{
    std::string name;
    if (version.major == 2 && version.minor < 4) {
        name = hardwareTemplate;
        name[hardwareNumberPlace] = portNumber;
    } else {
        name = sysctlTemplate;
        name[sysctlNumberPlace] = portNumber;
    }
    return name;
}

bool baseAddressFromLine(const std::string& line, uint16_t& baseAddress)
{
    std::string number;
    if (startsWith(line, "base:")) {
        const size_t prefix = line.find("0x");
        if (prefix == std::string::npos) {
            return false;
        }
        number = "$";
        for (size_t i = prefix + 2; i < line.size() && common::hexDigitValue(line[i]) >= 0; ++i) {
            number += common::upperCaseLetter(line[i]);
        }
    } else {
        for (size_t i = 0; i < line.size() && common::isDecimalDigit(line[i]); ++i) {
            number += line[i];
        }
    }
    uint32_t value = 0;
    // A value beyond 16 bits is no port number; cutting it down would aim the
    // pulse at some other port.
    if (!common::parseUnsigned(number, value) || value > largestPortNumber) {
        return false;
    }
    baseAddress = static_cast<uint16_t>(value);
    return true;
}

}  // namespace quorvik
