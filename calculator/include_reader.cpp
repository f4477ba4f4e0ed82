#include "calculator/include_reader.h"

#include <cmath>
#include <vector>

#include "calculator/include_file.h"
#include "calculator/number_text.h"
#include "common/digits.h"
#include "common/real_text.h"

namespace calculator {

namespace {

// The statements of korvane.inc other than the chip line, as
// include_file.cpp writes them. Each one appears once; the settings only
// where the generator uses them, the others always.
enum Statement { StartAddress, UserPrograms, Reload, Smod, Prescale, Timebase, Chartime, statementCount };

struct StatementForm {
    const char* symbol;
    const char* directive;
};
const StatementForm statementForms[statementCount] = {
    {"STARTADDR", "CODE"}, {"USERPROGS", "CODE"}, {"RELOAD", "EQU"},   {"SMOD", "EQU"},
    {"PRESCALE", "EQU"},   {"TIMEBASE", "EQU"},   {"CHARTIME", "EQU"},
};

// The two comment lines whose numbers the reader takes.
enum Figure { ClockFigure, NominalFigure, figureCount };

struct FigureForm {
    const char* label;  // after "; "
    const char* unit;   // after the number and one blank
    const char* name;   // in the reasons
};
const FigureForm figureForms[figureCount] = {
    {"system clock frequency:", "MHz", "clock"},
    {"nominal baudrate:", "Baud", "nominal rate"},
};

// What the lines hold, each value as its text.
struct FileLines {
    int chipLines = 0;
    GeneratorKind generator = GeneratorKind::T1;
    int statementLines[statementCount] = {};
    std::string statementValues[statementCount];
    int figureLines[figureCount] = {};
    std::string figureTexts[figureCount];
};

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

std::vector<std::string> blankSeparatedWords(const std::string& text)
{
    std::vector<std::string> words;
    size_t i = 0;
    while (i < text.size()) {
        if (isBlank(text[i])) {
            ++i;
            continue;
        }
        const size_t start = i;
        while (i < text.size() && !isBlank(text[i])) {
            ++i;
        }
        words.push_back(text.substr(start, i - start));
    }
    return words;
}

// The lines without their line ends (LF or CR LF). False for a text that is
// empty, holds other bytes than blanks and printable ASCII, or whose last
// line has no line end (a file cut short).
bool splitLines(const std::string& text, std::vector<std::string>& lines, std::string& why)
{
    if (text.empty()) {
        why = "empty";
        return false;
    }
    std::string line;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\n' || (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) {
            if (c == '\r') {
                ++i;
            }
            lines.push_back(line);
            line.clear();
        } else if (c == '\t' || (c >= 0x20 && c < 0x7F)) {
            line += c;
        } else {
            why = "not plain text";
            return false;
        }
    }
    if (!line.empty()) {
        why = "the last line has no line end";
        return false;
    }
    return true;
}

// A comment's labelled number, kept as its text.
bool takeFigure(const std::string& comment, FileLines& found, std::string& why)
{
    size_t start = 0;
    while (start < comment.size() && isBlank(comment[start])) {
        ++start;
    }
    for (int figure = 0; figure < figureCount; ++figure) {
        const std::string label = figureForms[figure].label;
        if (comment.compare(start, label.size(), label) == 0) {
            if (++found.figureLines[figure] > 1) {
                why = std::string("two ") + figureForms[figure].name + " lines";
                return false;
            }
            found.figureTexts[figure] = comment.substr(start + label.size());
        }
    }
    return true;
}

// A statement: a chip line or one of statementForms, three words.
bool takeStatement(const std::string& code, int lineNumber, FileLines& found, std::string& why)
{
    const std::vector<std::string> words = blankSeparatedWords(code);
    if (words.empty()) {
        return true;
    }
    if (words.size() == 3) {
        for (int chip = 0; chip < generatorCount; ++chip) {
            if (words[0] == includeChipSymbol(static_cast<GeneratorKind>(chip)) && words[1] == "EQU") {
                if (words[2] != "0") {
                    why = std::string(includeChipSymbol(static_cast<GeneratorKind>(chip))) + " is not EQU 0";
                    return false;
                }
                if (++found.chipLines > 1) {
                    why = "two chip lines";
                    return false;
                }
                found.generator = static_cast<GeneratorKind>(chip);
                return true;
            }
        }
        for (int statement = 0; statement < statementCount; ++statement) {
            if (words[0] == statementForms[statement].symbol && words[1] == statementForms[statement].directive) {
                if (++found.statementLines[statement] > 1) {
                    why = words[0] + " twice";
                    return false;
                }
                found.statementValues[statement] = words[2];
                return true;
            }
        }
    }
    why = "line " + std::to_string(lineNumber) + " is not one that mardeluk writes";
    return false;
}

// An assembler constant as the file writes it: one decimal digit, or hex
// digits that begin with a decimal digit and end in H.
bool constantValue(const std::string& text, int32_t& value)
{
    if (text.empty() || !common::isDecimalDigit(text[0])) {
        return false;
    }
    if (text.size() > 1 && common::upperCaseLetter(text.back()) != 'H') {
        return false;
    }
    return parseHexWord(text, value) && value >= 0;
}

// The value of a statement that must be present, at most `limit`.
bool statementValue(const FileLines& found, Statement statement, int32_t limit, const char* rangeText,
                    int32_t& value, std::string& why)
{
    const std::string symbol = statementForms[statement].symbol;
    if (found.statementLines[statement] == 0) {
        why = symbol + " is missing";
        return false;
    }
    if (!constantValue(found.statementValues[statement], value)) {
        why = symbol + " is malformed";
        return false;
    }
    if (value > limit) {
        why = symbol + " is not " + rangeText;
        return false;
    }
    return true;
}

// A setting is present exactly where the generator uses it.
bool settingPresence(const FileLines& found, Statement statement, bool used, std::string& why)
{
    if (!used && found.statementLines[statement] > 0) {
        why = std::string(statementForms[statement].symbol) + " where the generator has none";
        return false;
    }
    return true;
}

bool settingValue(const FileLines& found, Statement statement, uint8_t first, uint8_t second,
                  const char* choiceText, uint8_t& setting, std::string& why)
{
    int32_t value = 0;
    if (!statementValue(found, statement, 0xFF, "a byte", value, why)) {
        return false;
    }
    if (value != first && value != second) {
        why = std::string(statementForms[statement].symbol) + " is neither " + choiceText;
        return false;
    }
    setting = static_cast<uint8_t>(value);
    return true;
}

const char* reloadRangeText(GeneratorKind generator)
{
    switch (reloadCount(generator)) {
    case 0x100:
        return "a byte";
    case 0x400:
        return "a 10-bit value";
    default:
        return "a 16-bit value";
    }
}

// RELOAD, SMOD and PRESCALE as the generator's model holds them.
bool readSettings(const FileLines& found, BaudResult& settings, std::string& why)
{
    const GeneratorSettings used = generatorSettings(found.generator);
    if (!settingPresence(found, Reload, used.reload, why) || !settingPresence(found, Smod, used.smod, why) ||
        !settingPresence(found, Prescale, used.prescale, why)) {
        return false;
    }
    if (used.reload) {
        int32_t reload = 0;
        if (!statementValue(found, Reload, reloadCount(found.generator) - 1, reloadRangeText(found.generator),
                            reload, why)) {
            return false;
        }
        settings.reload = static_cast<uint16_t>(reload);
    }
    if (used.smod && !settingValue(found, Smod, 0, smodSet, "0 nor 080H", settings.smod, why)) {
        return false;
    }
    return !used.prescale ||
           settingValue(found, Prescale, prescaleClockBy12, prescaleClockBy4, "1 nor 011H", settings.prescale, why);
}

// A comment's number before its unit: finite, else refused.
bool figureValue(const FileLines& found, Figure figure, double& value, std::string& why)
{
    const FigureForm& form = figureForms[figure];
    const std::string& text = found.figureTexts[figure];
    const std::string unit = std::string(" ") + form.unit;
    if (found.figureLines[figure] == 0) {
        why = std::string(form.name) + " is missing";
        return false;
    }
    if (text.size() < unit.size() || text.compare(text.size() - unit.size(), unit.size(), unit) != 0 ||
        !common::parseReal(text.substr(0, text.size() - unit.size()), value)) {
        why = std::string(form.name) + " is not a number";
        return false;
    }
    if (!std::isfinite(value)) {
        why = std::string(form.name) + " is not finite";
        return false;
    }
    return true;
}

std::string withoutLeadingBlanks(const std::string& text)
{
    const size_t first = text.find_first_not_of(' ');
    return first == std::string::npos ? "" : text.substr(first);
}

bool readFigures(const FileLines& found, IncludeFacts& facts, std::string& why)
{
    double megahertz = 0.0;
    if (!figureValue(found, ClockFigure, megahertz, why)) {
        return false;
    }
    if (!clockFromMegahertz(megahertz, facts.clock)) {
        why = "clock is out of range";
        return false;
    }
    // Written by mardeluk, the figures read back as their own texts: any
    // other form is another program's file, or a hand's.
    if (megahertzText(facts.clock) + " MHz" != withoutLeadingBlanks(found.figureTexts[ClockFigure])) {
        why = "clock is not as mardeluk writes it";
        return false;
    }
    if (!figureValue(found, NominalFigure, facts.nominal, why)) {
        return false;
    }
    if (!isBaudrateInRange(facts.nominal)) {
        why = "nominal rate is out of range";
        return false;
    }
    if (baudText(facts.nominal) + " Baud" != withoutLeadingBlanks(found.figureTexts[NominalFigure])) {
        why = "nominal rate is not as mardeluk writes it";
        return false;
    }
    return true;
}

// The statements that every file holds: both addresses and both timing
// constants, words. Their absence marks a file cut short.
bool checkFixedStatements(const FileLines& found, std::string& why)
{
    const Statement fixed[] = {StartAddress, UserPrograms, Timebase, Chartime};
    for (const Statement statement : fixed) {
        int32_t value = 0;
        if (!statementValue(found, statement, 0xFFFF, "a word", value, why)) {
            return false;
        }
    }
    return true;
}

}  // namespace

bool readIncludeFile(const std::string& text, IncludeFacts& facts, std::string& why)
{
    std::vector<std::string> lines;
    if (!splitLines(text, lines, why)) {
        return false;
    }
    FileLines found;
    for (size_t i = 0; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        const size_t semicolon = line.find(';');
        const std::string code = line.substr(0, semicolon);
        if (!takeStatement(code, static_cast<int>(i + 1), found, why) ||
            (semicolon != std::string::npos && !takeFigure(line.substr(semicolon + 1), found, why))) {
            return false;
        }
    }
    if (found.chipLines == 0) {
        why = "no generator's chip line";
        return false;
    }
    IncludeFacts read{found.generator, 0.0, 0.0, BaudResult{0.0, 0, 0, 0, 0.0}};
    if (!readSettings(found, read.settings, why) || !checkFixedStatements(found, why) ||
        !readFigures(found, read, why)) {
        return false;
    }
    read.settings.resultingBaud = generatedRate(read.generator, read.settings, read.clock);
    read.settings.deviation = storedDeviation(read.nominal, read.settings.resultingBaud);
    facts = read;
    return true;
}

}  // namespace calculator
