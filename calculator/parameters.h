// The six positional parameters of mardeluk: their syntax, defaults, units
// and range checks, made in a fixed order. Pure: nothing here prints.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "calculator/status.h"
#include "common/extended.h"
#include "common/real_text.h"

namespace calculator {

// The five baud-rate generators, in the order of their codes.
enum class GeneratorKind { T1 = 0, T2 = 1, BG = 2, BA = 3, D1 = 4 };
constexpr int generatorCount = 5;

struct GeneratorEntry {
    const char* code;         // what the user types, at most 6 characters
    const char* description;  // what the report prints, at most 40 characters
};
const GeneratorEntry& generatorEntry(GeneratorKind kind);

// The validated inputs of a run.
struct BaudSettings {
    double baudrate;          // Baud
    GeneratorKind generator;
    double accuracy;          // fraction: 0.01 is 1 %
    double clock;             // Hz
    uint16_t start;           // start address of the loader
    uint16_t user;            // start address of the user programs
};

constexpr GeneratorKind defaultGenerator = GeneratorKind::T1;
constexpr double defaultAccuracy = 0.01;
// The largest accuracy, 5 %, as the extended fraction nearest to 0.05.
inline common::Extended maxAccuracy()
{
    return common::Extended(5) / 100;
}
constexpr double defaultClock = 11059200.0;
constexpr uint16_t defaultStart = 0x0000;
constexpr uint16_t defaultUser = 0x8000;
constexpr int maxParameters = 6;

// Hexadecimal address with an optional trailing "H": at most eight
// significant digits, so the value may come out negative.
bool parseHexWord(const std::string& text, int32_t& value);

// Generator code in any letter case, compared whole.
bool findGenerator(const std::string& text, GeneratorKind& kind);

// The range checks and units of the real parameters, shared by every
// program that takes them: a rate above 0 and finite; an accuracy of 0 to
// 5 %, given in percent and stored as a fraction; a clock above 0, given in
// MHz and stored in Hz as the double nearest to the extended product. False
// for a value out of range, and then nothing is stored.
bool isBaudrateInRange(double baudrate);
bool accuracyFromPercent(double percent, double& accuracy);
bool clockFromMegahertz(double megahertz, double& clock);

// An address parameter as 16-bit value: Ok, InvalidHex or AddressOutOfRange.
StatusCode readAddressParam(const std::string& text, uint16_t& address);

// The parameter phase: the first failing check in the fixed order, with the
// number and the text of the parameter that it names (the seventh for too
// many parameters), or Ok with the settings. `parameters` is never empty
// here: no parameters at all means the help screen, which the caller shows
// instead.
struct ParameterOutcome {
    StatusCode status;
    int parameterNumber;        // 1 to 7; 0 for Ok
    std::string parameterText;  // as typed (and cut); empty for Ok
    BaudSettings settings;
};
ParameterOutcome readParameters(const std::vector<std::string>& parameters);

}  // namespace calculator
