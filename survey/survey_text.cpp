#include "survey/survey_text.h"

#include "calculator/include_file.h"
#include "calculator/number_text.h"

namespace survey {

namespace {

std::string padRight(const std::string& text, size_t width)
{
    return text.size() < width ? text + std::string(width - text.size(), ' ') : text;
}

std::string padLeft(const std::string& text, size_t width)
{
    return text.size() < width ? std::string(width - text.size(), ' ') + text : text;
}

std::string signedPercentText(double fraction)
{
    return (fraction > 0 ? "+" : "") + calculator::percentText(fraction) + " %";
}

// The margin that a frame leaves, or "fails".
std::string frameText(const FrameVerdict& verdict)
{
    return verdict.fits ? calculator::percentText(verdict.margin) + " %" : "fails";
}

// "300.00, 9600.0 and 115200 Baud"
std::string ratesText(const std::vector<double>& rates)
{
    std::string text;
    for (size_t i = 0; i < rates.size(); ++i) {
        text += (i == 0 ? "" : (i + 1 == rates.size() ? " and " : ", ")) + calculator::baudText(rates[i]);
    }
    return text + " Baud";
}

// The words of `text` in lines of at most `width` characters.
std::vector<std::string> wrappedLines(const std::string& text, size_t width)
{
    std::vector<std::string> lines = {""};
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find(' ', start);
        end = end == std::string::npos ? text.size() : end;
        const std::string word = text.substr(start, end - start);
        if (!lines.back().empty() && lines.back().size() + 1 + word.size() > width) {
            lines.push_back("");
        }
        lines.back() += (lines.back().empty() ? "" : " ") + word;
        start = end + 1;
    }
    return lines;
}

// A closing list of rates under its heading; nothing when there is none.
void appendRateList(std::vector<std::string>& lines, const std::string& heading, const std::vector<double>& rates)
{
    if (rates.empty()) {
        return;
    }
    lines.push_back("");
    lines.push_back(heading);
    for (const std::string& line : wrappedLines(ratesText(rates) + ".", 78)) {
        lines.push_back("  " + line);
    }
}

std::vector<std::string> toleranceLines()
{
    return {
        "A receiver that samples each bit in its middle at 16 times the rate",
        "tolerates a link error of " + calculator::percentText(frameTolerance(10)) + " % in 10-bit frames (8N1) and " +
            calculator::percentText(frameTolerance(11)) + " % in 11-bit",
        "frames (9 data bits or parity); the frame columns show the margin left.",
    };
}

// Columns: generator, the three settings, resulting rate, deviation, met,
// link error, the two frames.
const size_t settingWidths[] = {4, 6, 4, 4};
// Every column keeps two blanks before its widest text ("no PC rate").
const size_t figureWidths[] = {10, 10, 5, 12, 8, 8};

std::string tableLine(const std::vector<std::string>& settings, const std::vector<std::string>& figures)
{
    std::string line = " ";
    for (size_t i = 0; i < settings.size(); ++i) {
        line += " " + padRight(settings[i], settingWidths[i]);
    }
    for (size_t i = 0; i < figures.size(); ++i) {
        line += padLeft(figures[i], figureWidths[i]);
    }
    return line;
}

std::string settingOrDash(const std::string& text)
{
    return text.empty() ? "-" : text;
}

std::string rowLine(const SurveyRow& row)
{
    const std::vector<std::string> cells = rowCells(row);
    if (!row.reachable) {
        return tableLine({cells.front()}, {}) + "cannot come within 10 % of the rate";
    }
    return tableLine({cells.begin(), cells.begin() + 4}, {cells.begin() + 4, cells.end()});
}

std::string rateHeading(const SurveyRow& row, Adapter adapter)
{
    std::string heading = calculator::baudText(row.nominal) + " Baud";
    if (adapter == Adapter::Exact) {
        return heading;
    }
    return heading + (row.pc.made ? ", the PC makes " + calculator::baudText(row.pc.baud) + " Baud"
                                  : ", which the PC cannot make: " + std::string(row.pc.whyNot));
}

std::vector<std::string> clockSurveyLines(const SurveyRequest& request, const Survey& survey)
{
    std::vector<std::string> lines;
    const size_t generators = request.generators.size();
    const size_t perClock = request.rates.size() * generators;
    for (size_t c = 0; c < survey.clocks.size(); ++c) {
        if (c > 0) {
            lines.push_back("");
        }
        lines.push_back("At " + calculator::megahertzText(survey.clocks[c]) + " MHz, required accuracy " +
                        calculator::percentText(request.accuracy) + " %");
        lines.push_back(std::string("PC side: ") + adapterEntry(request.adapter).description);
        for (size_t r = 0; r < request.rates.size(); ++r) {
            const size_t first = c * perClock + r * generators;
            lines.push_back("");
            lines.push_back(rateHeading(survey.rows[first], request.adapter));
            lines.push_back(tableLine({"gen", "reload", "SMOD", "PRE"},
                                      {"resulting", "deviation", "met", "link error", "10-bit", "11-bit"}));
            for (size_t g = 0; g < generators; ++g) {
                lines.push_back(rowLine(survey.rows[first + g]));
            }
        }
    }
    lines.push_back("");
    lines.push_back("* the generator closest to the rate; met: within the required accuracy,");
    lines.push_back("so that mardeluk writes korvane.inc for it.");
    return lines;
}

std::vector<std::string> crystalSearchLines(const SurveyRequest& request, const Survey& survey)
{
    std::vector<std::string> lines = wrappedLines(
        "Crystals for " + ratesText(request.rates) + ", required accuracy " + calculator::percentText(request.accuracy) + " %", 80);
    lines.push_back("PC side: " + std::string(adapterEntry(request.adapter).description));
    // The PC's side depends on the rate alone: the first crystal's rows tell it.
    for (size_t r = 0; r < request.rates.size(); ++r) {
        const PcRate& pc = survey.rows[r * request.generators.size()].pc;
        if (!pc.made) {
            lines.push_back("The PC cannot make " + calculator::baudText(request.rates[r]) + " Baud: " + pc.whyNot + ".");
        }
    }
    lines.push_back("");
    if (survey.choices.empty()) {
        lines.push_back("No standard crystal meets the accuracy at every rate with one generator.");
        return lines;
    }
    lines.push_back("The crystals whose generator meets the accuracy at every rate, best first:");
    lines.push_back("");
    lines.push_back("  crystal MHz  gen  worst deviation  worst link error    10-bit    11-bit");
    for (const CrystalChoice& choice : survey.choices) {
        const std::vector<std::string> cells = choiceCells(choice);
        lines.push_back("  " + padLeft(cells[0], 11) + "  " + padRight(cells[1], 3) + padLeft(cells[2], 17) +
                        padLeft(cells[3], 18) + padLeft(cells[4], 10) + padLeft(cells[5], 10));
    }
    return lines;
}

}  // namespace

std::vector<std::string> rowCells(const SurveyRow& row)
{
    const std::string generator = std::string(calculator::generatorEntry(row.generator).code) + (row.best ? "*" : "");
    if (!row.reachable) {
        return {generator, "-", "-", "-", "-", "-", "no", "-", "-", "-"};
    }
    const calculator::IncludeSettingTexts settings = calculator::includeSettingTexts(row.generator, row.result);
    std::vector<std::string> cells = {generator,
                                      settingOrDash(settings.reload),
                                      settingOrDash(settings.smod),
                                      settingOrDash(settings.prescale),
                                      calculator::baudText(row.result.resultingBaud),
                                      calculator::percentText(row.result.deviation) + " %",
                                      row.withinAccuracy ? "yes" : "no"};
    if (row.linkKnown) {
        cells.insert(cells.end(), {signedPercentText(row.linkError), frameText(row.tenBitFrame), frameText(row.elevenBitFrame)});
    } else {
        cells.insert(cells.end(), {"no PC rate", "-", "-"});
    }
    return cells;
}

std::vector<std::string> choiceCells(const CrystalChoice& choice)
{
    const bool known = choice.linkKnown;
    return {calculator::megahertzText(choice.clock),
            calculator::generatorEntry(choice.generator).code,
            calculator::percentText(choice.worstDeviation) + " %",
            known ? calculator::percentText(choice.worstLinkError) + " %" : "no PC rate",
            known ? frameText(choice.tenBitFrame) : "-",
            known ? frameText(choice.elevenBitFrame) : "-"};
}

std::vector<std::string> surveyTextLines(const SurveyRequest& request, const Survey& survey)
{
    std::vector<std::string> lines =
        survey.crystalSearch ? crystalSearchLines(request, survey) : clockSurveyLines(request, survey);
    lines.push_back("");
    for (const std::string& line : toleranceLines()) {
        lines.push_back(line);
    }
    appendRateList(lines, "Not met within " + calculator::percentText(request.accuracy) + " % by any clock and generator:",
                   survey.unmetRates);
    appendRateList(lines, "Not made by the PC's side, so that no link works at:", survey.unmadeRates);
    return lines;
}

}  // namespace survey
