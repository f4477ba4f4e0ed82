#include "survey/survey_json.h"

#include <nlohmann/json.hpp>

#include "calculator/include_file.h"
#include "calculator/number_text.h"
#include "survey/survey_text.h"

namespace survey {

namespace {

using Json = nlohmann::ordered_json;

Json valueOrNull(bool exists, const Json& value)
{
    return exists ? value : Json(nullptr);
}

void addFrameVerdicts(Json& object, bool known, const FrameVerdict& ten, const FrameVerdict& eleven)
{
    object["frame_10_bit_ok"] = valueOrNull(known, ten.fits);
    object["frame_10_bit_margin"] = valueOrNull(known, ten.margin);
    object["frame_11_bit_ok"] = valueOrNull(known, eleven.fits);
    object["frame_11_bit_margin"] = valueOrNull(known, eleven.margin);
}

Json rowJson(const SurveyRow& row)
{
    const calculator::GeneratorSettings used = calculator::generatorSettings(row.generator);
    Json object;
    object["clock_hz"] = row.clock;
    object["nominal_baud"] = row.nominal;
    object["generator"] = calculator::generatorEntry(row.generator).code;
    object["reachable"] = row.reachable;
    object["resulting_baud"] = valueOrNull(row.reachable, row.result.resultingBaud);
    object["deviation"] = valueOrNull(row.reachable, row.result.deviation);
    object["reload"] = valueOrNull(row.reachable && used.reload, calculator::includeReloadValue(row.generator, row.result));
    object["smod"] = valueOrNull(row.reachable && used.smod, row.result.smod);
    object["prescale"] = valueOrNull(row.reachable && used.prescale, row.result.prescale);
    object["within_accuracy"] = row.withinAccuracy;
    object["best"] = row.best;
    object["pc_baud"] = valueOrNull(row.pc.made, row.pc.baud);
    object["link_error"] = valueOrNull(row.linkKnown, row.linkError);
    addFrameVerdicts(object, row.linkKnown, row.tenBitFrame, row.elevenBitFrame);
    return object;
}

Json choiceJson(const CrystalChoice& choice)
{
    Json object;
    object["clock_hz"] = choice.clock;
    object["generator"] = calculator::generatorEntry(choice.generator).code;
    object["worst_deviation"] = choice.worstDeviation;
    object["worst_link_error"] = valueOrNull(choice.linkKnown, choice.worstLinkError);
    addFrameVerdicts(object, choice.linkKnown, choice.tenBitFrame, choice.elevenBitFrame);
    return object;
}

}  // namespace

std::string surveyJson(const SurveyRequest& request, const Survey& survey)
{
    Json document;
    document["accuracy"] = request.accuracy;
    document["adapter"] = adapterEntry(request.adapter).name;
    document["frame_10_bit_tolerance"] = frameTolerance(10);
    document["frame_11_bit_tolerance"] = frameTolerance(11);
    document["crystal_search"] = survey.crystalSearch;
    document["clocks_hz"] = survey.clocks;
    document["rates"] = request.rates;
    Json rows = Json::array();
    for (const SurveyRow& row : survey.rows) {
        rows.push_back(rowJson(row));
    }
    document["rows"] = rows;
    if (survey.crystalSearch) {
        Json choices = Json::array();
        for (const CrystalChoice& choice : survey.choices) {
            choices.push_back(choiceJson(choice));
        }
        document["crystals"] = choices;
    }
    document["unmet_rates"] = survey.unmetRates;
    document["unmade_rates"] = survey.unmadeRates;
    return document.dump(2);
}

std::string surveyCellsJson(const Survey& survey)
{
    Json rows = Json::array();
    for (const SurveyRow& row : survey.rows) {
        std::vector<std::string> cells = {calculator::megahertzText(row.clock), calculator::baudText(row.nominal)};
        for (const std::string& cell : rowCells(row)) {
            cells.push_back(cell);
        }
        rows.push_back(cells);
    }
    Json crystals = Json::array();
    for (const CrystalChoice& choice : survey.choices) {
        crystals.push_back(choiceCells(choice));
    }
    Json document;
    document["rows"] = rows;
    document["crystals"] = crystals;
    return document.dump();
}

}  // namespace survey
