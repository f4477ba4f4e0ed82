#include "survey/link_survey.h"

#include <algorithm>
#include <cmath>

namespace survey {

namespace {

// The start edge is found within 1/16 of a bit, and the last bit is sampled
// half a bit before the frame ends.
constexpr int oversampling = 16;

FrameVerdict judgeFrame(double linkErrorSize, int frameBits)
{
    const double tolerance = frameTolerance(frameBits);
    return FrameVerdict{linkErrorSize < tolerance, static_cast<double>(common::Extended(tolerance) - linkErrorSize)};
}

SurveyRow surveyRow(double clock, double nominal, calculator::GeneratorKind generator, const SurveyRequest& request)
{
    const calculator::BaudSettings settings{nominal, generator, request.accuracy, clock, calculator::defaultStart, calculator::defaultUser};
    const calculator::Calculation calculation = calculator::calculateSettings(settings);
    SurveyRow row{clock, nominal, generator, calculation.status != calculator::StatusCode::CannotGenerate,
                  calculation.result, calculation.status == calculator::StatusCode::Ok, false,
                  pcRate(request.adapter, nominal), false, 0.0, FrameVerdict{false, 0.0}, FrameVerdict{false, 0.0}};
    row.linkKnown = row.reachable && row.pc.made;
    if (row.linkKnown) {
        row.linkError = static_cast<double>((common::Extended(row.result.resultingBaud) - row.pc.baud) / row.pc.baud);
        const double size = std::fabs(row.linkError);
        row.tenBitFrame = judgeFrame(size, 10);
        row.elevenBitFrame = judgeFrame(size, 11);
    }
    return row;
}

// The reachable row of the smallest deviation among `count` rows from
// `first`; the first of equal ones.
void markBest(std::vector<SurveyRow>& rows, size_t first, size_t count)
{
    SurveyRow* best = nullptr;
    for (size_t i = first; i < first + count; ++i) {
        if (rows[i].reachable && (best == nullptr || rows[i].result.deviation < best->result.deviation)) {
            best = &rows[i];
        }
    }
    if (best != nullptr) {
        best->best = true;
    }
}

// The crystal and generator of `rows` (one row per rate) as a choice, or
// false when a rate misses the accuracy.
bool crystalChoice(const std::vector<const SurveyRow*>& rows, CrystalChoice& choice)
{
    choice = CrystalChoice{rows.front()->clock, rows.front()->generator, 0.0, true, 0.0, {}, {}};
    for (const SurveyRow* row : rows) {
        if (!row->withinAccuracy) {
            return false;
        }
        choice.worstDeviation = std::max(choice.worstDeviation, row->result.deviation);
        choice.linkKnown = choice.linkKnown && row->linkKnown;
        if (row->linkKnown) {
            choice.worstLinkError =
                std::max(choice.worstLinkError, std::fabs(row->linkError));
        }
    }
    if (choice.linkKnown) {
        choice.tenBitFrame = judgeFrame(choice.worstLinkError, 10);
        choice.elevenBitFrame = judgeFrame(choice.worstLinkError, 11);
    }
    return true;
}

std::vector<CrystalChoice> crystalChoices(const Survey& survey, const SurveyRequest& request)
{
    const size_t generators = request.generators.size();
    const size_t perClock = request.rates.size() * generators;
    std::vector<CrystalChoice> choices;
    for (size_t c = 0; c < survey.clocks.size(); ++c) {
        for (size_t g = 0; g < generators; ++g) {
            std::vector<const SurveyRow*> rows;
            for (size_t r = 0; r < request.rates.size(); ++r) {
                rows.push_back(&survey.rows[c * perClock + r * generators + g]);
            }
            CrystalChoice choice{};
            if (crystalChoice(rows, choice)) {
                choices.push_back(choice);
            }
        }
    }
    std::stable_sort(choices.begin(), choices.end(), [](const CrystalChoice& a, const CrystalChoice& b) {
        return a.worstDeviation < b.worstDeviation ||
               (a.worstDeviation == b.worstDeviation && a.worstLinkError < b.worstLinkError);
    });
    return choices;
}

}  // namespace

const std::vector<double>& standardRates()
{
    static const std::vector<double> rates = {300, 600, 1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200};
    return rates;
}

const std::vector<double>& standardCrystals()
{
    // The MHz values of the part lists, stored as mardeluk stores a clock
    // typed in MHz.
    static const std::vector<double> crystals = [] {
        const char* const megahertz[] = {
            "1.8432", "2",       "3.579545", "3.6864", "4",  "4.9152", "6",       "7.3728", "8",
            "9.8304", "10",      "11.0592",  "12",     "14.31818", "14.7456", "16", "18.432", "20",
            "22.1184", "24",     "24.576",   "25",     "29.4912", "30",      "32",  "33",     "40",
        };
        std::vector<double> hertz;
        for (const char* text : megahertz) {
            double value = 0.0;
            double clock = 0.0;
            common::parseReal(text, value);
            calculator::clockFromMegahertz(value, clock);
            hertz.push_back(clock);
        }
        return hertz;
    }();
    return crystals;
}

double frameTolerance(int frameBits)
{
    const common::Extended slack = common::Extended(1) / 2 - common::Extended(1) / oversampling;
    return static_cast<double>(slack / (common::Extended(frameBits) - common::Extended(1) / 2));
}

Survey runSurvey(const SurveyRequest& request)
{
    Survey survey{request.clocks.empty(), request.clocks.empty() ? standardCrystals() : request.clocks, {}, {}, {}, {}};
    const size_t generators = request.generators.size();
    for (double clock : survey.clocks) {
        for (double nominal : request.rates) {
            const size_t first = survey.rows.size();
            for (calculator::GeneratorKind generator : request.generators) {
                survey.rows.push_back(surveyRow(clock, nominal, generator, request));
            }
            markBest(survey.rows, first, generators);
        }
    }
    for (size_t r = 0; r < request.rates.size(); ++r) {
        bool met = false;
        for (size_t i = r * generators; i < survey.rows.size(); i += request.rates.size() * generators) {
            for (size_t g = 0; g < generators; ++g) {
                met = met || survey.rows[i + g].withinAccuracy;
            }
        }
        if (!met) {
            survey.unmetRates.push_back(request.rates[r]);
        }
        if (!pcRate(request.adapter, request.rates[r]).made) {
            survey.unmadeRates.push_back(request.rates[r]);
        }
    }
    if (survey.crystalSearch) {
        survey.choices = crystalChoices(survey, request);
    }
    return survey;
}

}  // namespace survey
