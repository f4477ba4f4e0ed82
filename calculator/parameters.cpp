#include "calculator/parameters.h"

#include <cmath>

#include "common/digits.h"

namespace calculator {

namespace {

const GeneratorEntry generatorTable[generatorCount] = {
    {"T1", "timer 1"},
    {"T2", "timer 2  (8052)"},
    {"BG", "internal baudrate generator  (80535)"},
    {"BA", "internal baudrate generator  (80C515A)"},
    {"D1", "timer 1 with prescaler  (80C320)"},
};

}  // namespace

const GeneratorEntry& generatorEntry(GeneratorKind kind)
{
    return generatorTable[static_cast<int>(kind)];
}

bool parseHexWord(const std::string& text, int32_t& value)
{
    uint32_t accumulated = 0;
    size_t i = 0;
    // A ninth significant digit would shift bits out of the 32-bit value.
    for (; i < text.size() && common::hexDigitValue(text[i]) >= 0 && accumulated < 0x10000000u; ++i) {
        accumulated = accumulated * 16u + static_cast<uint32_t>(common::hexDigitValue(text[i]));
    }
    if (i == 0) {
        return false;
    }
    if (i < text.size() && (text[i] == 'H' || text[i] == 'h')) {
        ++i;
    }
    if (i != text.size()) {
        return false;
    }
    value = static_cast<int32_t>(accumulated);  // 80000000H and above are negative
    return true;
}

bool findGenerator(const std::string& text, GeneratorKind& kind)
{
    std::string upper = text;
    for (char& c : upper) {
        c = common::upperCaseLetter(c);
    }
    for (int index = 0; index < generatorCount; ++index) {
        if (upper == generatorTable[index].code) {
            kind = static_cast<GeneratorKind>(index);
            return true;
        }
    }
    return false;
}

bool isBaudrateInRange(double baudrate)
{
    // An infinite rate (a value beyond the range of a double) is out of range too.
    return baudrate > 0.0 && !std::isinf(baudrate);
}

bool accuracyFromPercent(double percent, double& accuracy)
{
    const common::Extended fraction = common::Extended(percent) / 100;
    if (fraction < 0 || fraction > maxAccuracy()) {
        return false;
    }
    accuracy = static_cast<double>(fraction);
    return true;
}

bool clockFromMegahertz(double megahertz, double& clock)
{
    const common::Extended hertz = common::Extended(megahertz) * 1000000;
    const double stored = static_cast<double>(hertz);
    // A frequency that no double can hold is out of range, not infinite.
    if (!(hertz > 0) || std::isinf(stored)) {
        return false;
    }
    clock = stored;
    return true;
}

StatusCode readAddressParam(const std::string& text, uint16_t& address)
{
    int32_t value = 0;
    if (!parseHexWord(text, value)) {
        return StatusCode::InvalidHex;
    }
    if (value < 0 || value > 0xFFFF) {
        return StatusCode::AddressOutOfRange;
    }
    address = static_cast<uint16_t>(value);
    return StatusCode::Ok;
}

ParameterOutcome readParameters(const std::vector<std::string>& parameters)
{
    BaudSettings settings{0.0, defaultGenerator, defaultAccuracy, defaultClock, defaultStart, defaultUser};
    const size_t count = parameters.size();
    auto fail = [&settings, &parameters](StatusCode status, int number) {
        return ParameterOutcome{status, number, parameters[static_cast<size_t>(number - 1)], settings};
    };

    if (count > static_cast<size_t>(maxParameters)) {
        return fail(StatusCode::TooManyParameters, maxParameters + 1);
    }

    double value = 0.0;
    if (!common::parseReal(parameters[0], value)) {
        return fail(StatusCode::IllegalReal, 1);
    }
    if (!isBaudrateInRange(value)) {
        return fail(StatusCode::BaudOutOfRange, 1);
    }
    settings.baudrate = value;

    if (!findGenerator(count >= 2 ? parameters[1] : generatorEntry(defaultGenerator).code, settings.generator)) {
        return fail(StatusCode::UnknownGenerator, 2);
    }

    if (count >= 3) {
        if (!common::parseReal(parameters[2], value)) {
            return fail(StatusCode::IllegalReal, 3);
        }
        if (!accuracyFromPercent(value, settings.accuracy)) {
            return fail(StatusCode::AccuracyOutOfRange, 3);
        }
    }

    if (count >= 4) {
        if (!common::parseReal(parameters[3], value)) {
            return fail(StatusCode::IllegalReal, 4);
        }
        if (!clockFromMegahertz(value, settings.clock)) {
            return fail(StatusCode::ClockOutOfRange, 4);
        }
    }

    if (count >= 5) {
        const StatusCode status = readAddressParam(parameters[4], settings.start);
        if (status != StatusCode::Ok) {
            return fail(status, 5);
        }
    }
    if (count >= 6) {
        const StatusCode status = readAddressParam(parameters[5], settings.user);
        if (status != StatusCode::Ok) {
            return fail(status, 6);
        }
    }
    return ParameterOutcome{StatusCode::Ok, 0, "", settings};
}

}  // namespace calculator
