#include "calculator/run_plan.h"

#include "calculator/generator_models.h"
#include "calculator/include_file.h"
#include "calculator/parameters.h"
#include "calculator/report.h"
#include "common/exit_status.h"

namespace calculator {

namespace {

void append(std::vector<std::string>& lines, const std::vector<std::string>& more)
{
    lines.insert(lines.end(), more.begin(), more.end());
}

}  // namespace

RunPlan planRun(const std::vector<std::string>& parameters)
{
    RunPlan plan{bannerLines(), false, "", {}, common::exitFailure};
    if (parameters.empty()) {
        append(plan.linesBeforeFile, helpLines());
        return plan;
    }
    const ParameterOutcome outcome = readParameters(parameters);
    if (outcome.status != StatusCode::Ok) {
        append(plan.linesBeforeFile, {parameterErrorLine(outcome.status, outcome.parameterText), "", helpHint()});
        return plan;
    }
    append(plan.linesBeforeFile, settingsLines(outcome.settings));
    const Calculation calculation = calculateSettings(outcome.settings);
    if (calculation.status != StatusCode::Ok) {
        append(plan.linesBeforeFile, {"", calculationErrorLine(calculation.status, calculation.result.deviation)});
        return plan;
    }
    plan.writesFile = true;
    plan.fileText = includeFileText(outcome.settings, calculation.result);
    plan.linesAfterFile = {"", resultLine(calculation.result.resultingBaud, calculation.result.deviation)};
    plan.exitStatus = common::exitSuccess;
    return plan;
}

}  // namespace calculator
