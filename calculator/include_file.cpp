#include "include_file.h"

#include "number_text.h"
#include "report.h"

namespace {

// TIMEBASE is the number of clock periods in a millisecond divided by 24, or
// by 12 on the 80C320 whichever prescale was chosen.
int timebaseDivisor(GeneratorKind generator)
{
    return generator == GeneratorKind::D1 ? 12 : 24;
}

std::vector<std::string> generatorBlock(const BaudResult& result, GeneratorKind generator)
{
    const std::string reloadByte = "\tRELOAD     EQU " + asmByteText(static_cast<uint8_t>(result.reload & 0xFF));
    const std::string reloadWord = "\tRELOAD     EQU " + asmWordText(result.reload);
    const std::string smod = "\tSMOD       EQU " + asmByteText(result.smod);
    switch (generator) {
    case GeneratorKind::T1:
        return {"\tINTEL8051  EQU 0", reloadByte, smod};
    case GeneratorKind::T2:
        return {"\tINTEL8052  EQU 0", reloadWord};
    case GeneratorKind::BG:
        return {"\tSAB80535   EQU 0", smod};
    case GeneratorKind::BA:
        return {"\tSAB80C515A EQU 0", reloadWord, smod};
    case GeneratorKind::D1:
        return {"\tDS80C320   EQU 0", reloadByte, smod, "\tPRESCALE   EQU " + asmByteText(result.prescale)};
    }
    return {};
}

}  // namespace

TimingConstants includeTimingConstants(const BaudSettings& settings, const BaudResult& result)
{
    // Both quotients are rounded to double before they are encoded.
    // 0.001 is the extended value nearest to one thousandth.
    const Extended thousandth = Extended(1) / 1000;
    const double timebase = static_cast<double>(settings.clock * thousandth / timebaseDivisor(settings.generator));
    const double chartime = static_cast<double>(Extended(11000) / result.resultingBaud);
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
        "\t; system clock frequency:  " + fixedText(Extended(settings.clock) / 1000000, 0, 4) + " MHz",
        std::string("\t; baudrate generator:      ") + generatorEntry(settings.generator).description,
        "\t; nominal baudrate:        " + baudText(settings.baudrate) + " Baud",
        "\t; required accuracy:       " + fixedText(Extended(settings.accuracy) * 100, 0, 2) + " %",
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
