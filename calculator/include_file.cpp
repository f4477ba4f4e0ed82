#include "calculator/include_file.h"

#include <algorithm>

#include "calculator/number_text.h"
#include "calculator/report.h"

namespace calculator {

namespace {

// TIMEBASE is the number of clock periods in a millisecond divided by 24, or
// by 12 on the 80C320 whichever prescale was chosen.
int timebaseDivisor(GeneratorKind generator)
{
    return generator == GeneratorKind::D1 ? 12 : 24;
}

// The chip's line, then the settings that its generator uses.
std::vector<std::string> generatorBlock(const BaudResult& result, GeneratorKind generator)
{
    // The symbol padded to the settings' column.
    std::string chipLine = std::string("\t") + includeChipSymbol(generator);
    chipLine.resize(std::max<size_t>(chipLine.size() + 1, 12), ' ');
    const IncludeSettingTexts texts = includeSettingTexts(generator, result);
    std::vector<std::string> lines = {chipLine + "EQU 0"};
    if (!texts.reload.empty()) {
        lines.push_back("\tRELOAD     EQU " + texts.reload);
    }
    if (!texts.smod.empty()) {
        lines.push_back("\tSMOD       EQU " + texts.smod);
    }
    if (!texts.prescale.empty()) {
        lines.push_back("\tPRESCALE   EQU " + texts.prescale);
    }
    return lines;
}

}  // namespace

const char* includeChipSymbol(GeneratorKind generator)
{
    const char* const symbols[generatorCount] = {"INTEL8051", "INTEL8052", "SAB80535", "SAB80C515A", "DS80C320"};
    return symbols[static_cast<int>(generator)];
}

uint16_t includeReloadValue(GeneratorKind generator, const BaudResult& result)
{
    return generatorSettings(generator).wordReload ? result.reload : static_cast<uint16_t>(result.reload & 0xFF);
}

IncludeSettingTexts includeSettingTexts(GeneratorKind generator, const BaudResult& result)
{
    const GeneratorSettings used = generatorSettings(generator);
    const uint16_t reload = includeReloadValue(generator, result);
    IncludeSettingTexts texts;
    if (used.reload) {
        texts.reload = used.wordReload ? asmWordText(reload) : asmByteText(static_cast<uint8_t>(reload));
    }
    if (used.smod) {
        texts.smod = asmByteText(result.smod);
    }
    if (used.prescale) {
        texts.prescale = asmByteText(result.prescale);
    }
    return texts;
}

TimingConstants includeTimingConstants(const BaudSettings& settings, const BaudResult& result)
{
    // Both quotients are rounded to double before they are encoded.
    // 0.001 is the extended value nearest to one thousandth.
    const common::Extended thousandth = common::Extended(1) / 1000;
    const double timebase = static_cast<double>(settings.clock * thousandth / timebaseDivisor(settings.generator));
    const double chartime = static_cast<double>(common::Extended(11000) / result.resultingBaud);
    return TimingConstants{timingWord(timebase), timingWord(chartime)};
}

std::vector<std::string> includeFileLines(const BaudSettings& settings, const BaudResult& result)
{
    std::vector<std::string> lines = {
        "\t; KORVANE Customization Header",
        "\t; ============================",
        std::string("\t; generated with MARDELUK V") + versionText,
        "",
        "\tSTARTADDR CODE " + asmWordText(settings.start) + "\t;start address of bootstrap program",
        "\tUSERPROGS CODE " + asmWordText(settings.user) + "\t;start address of user programs",
        "",
        "\t; Baudrate Generation",
        "\t; -------------------",
        "\t; system clock frequency:  " + megahertzText(settings.clock) + " MHz",
        std::string("\t; baudrate generator:      ") + generatorEntry(settings.generator).description,
        "\t; nominal baudrate:        " + baudText(settings.baudrate) + " Baud",
        "\t; required accuracy:       " + percentText(settings.accuracy) + " %",
        "\t;",
        "\t; resulting baudrate:      " + baudText(result.resultingBaud) + " Baud" + accuracyNote(result.deviation),
        "",
    };
    for (const std::string& line : generatorBlock(result, settings.generator)) {
        lines.push_back(line);
    }
    const TimingConstants timing = includeTimingConstants(settings, result);
    lines.push_back("");
    lines.push_back("\tTIMEBASE   EQU " + asmWordText(timing.timebase));
    lines.push_back("\tCHARTIME   EQU " + asmWordText(timing.chartime));
    return lines;
}

std::string includeFileText(const BaudSettings& settings, const BaudResult& result)
{
    std::string text;
    for (const std::string& line : includeFileLines(settings, result)) {
        text += line + "\n";
    }
    return text;
}

}  // namespace calculator
