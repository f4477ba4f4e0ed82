// The text of korvane.inc, the customization header that the loader's
// sources include: start addresses, chip symbol, generator settings and two
// timing constants. Pure: the caller writes the text to the file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "calculator/generator_models.h"
#include "calculator/parameters.h"

namespace calculator {

constexpr const char* includeFileName = "korvane.inc";

// The symbol of the generator's chip, which the file sets EQU 0: "INTEL8051".
const char* includeChipSymbol(GeneratorKind generator);

// The RELOAD value as the file holds it: the byte of TH1 for T1 and D1, the
// whole reload for T2 and BA.
uint16_t includeReloadValue(GeneratorKind generator, const BaudResult& result);

// RELOAD, SMOD and PRESCALE as the file writes them ("0FDH", "080H"); empty
// for a setting that the generator does not use.
struct IncludeSettingTexts {
    std::string reload;
    std::string smod;
    std::string prescale;
};
IncludeSettingTexts includeSettingTexts(GeneratorKind generator, const BaudResult& result);

// TIMEBASE and CHARTIME as the file carries them.
struct TimingConstants {
    uint16_t timebase;  // clock periods per millisecond, in units of 24 (12 on the 80C320)
    uint16_t chartime;  // the time of 11 bits at the resulting rate, in milliseconds
};
TimingConstants includeTimingConstants(const BaudSettings& settings, const BaudResult& result);

// The lines of the file without their line feeds.
std::vector<std::string> includeFileLines(const BaudSettings& settings, const BaudResult& result);

// The whole file: every line, the last one included, ends with a line feed.
std::string includeFileText(const BaudSettings& settings, const BaudResult& result);

}  // namespace calculator
