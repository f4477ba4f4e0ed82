#include "run_plan.h"

#include "exit_status.h"
#include "generator_models.h"
#include "include_file.h"
#include "parameters.h"
#include "report.h"

namespace {

void append(std::vector<std::string>& lines, const std::vector<std::string>& more)
{
    lines.insert(lines.end(), more.begin(), more.end());
}

}  // namespace

RunPlan planRun(const std::vector<std::string>& parameters)
{
    RunPlan plan{bannerLines(), false, "", {}, exitFailure};
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
    plan.exitStatus = exitSuccess;
    return plan;
}
