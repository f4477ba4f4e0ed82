// mardeluk: computes the UART baud-rate generator settings of an 8051-family
// chip and prints them as a report; the run order and exit statuses live here.
#include <string>
#include <vector>

#include "console.h"
#include "generator_models.h"
#include "parameters.h"
#include "report.h"

namespace {

[[noreturn]] void parameterError(StatusCode status, const std::string& parameterText)
{
    printLine(parameterErrorLine(status, parameterText));
    printLine("");
    printLine(helpHint());
    endRun(exitUsageOrError);
}

[[noreturn]] void calculationError(StatusCode status, const std::string& detail)
{
    printLine("");
    printLine(calculationErrorLine(status, detail));
    endRun(exitUsageOrError);
}

}  // namespace

int main(int argc, char* argv[])
{
    printLines(bannerLines());

    std::vector<std::string> parameters;
    for (int i = 1; i < argc; ++i) {
        parameters.push_back(cutText(argv[i]));
    }
    if (parameters.empty()) {
        printLines(helpLines());
        endRun(exitUsageOrError);
    }

    const ParameterOutcome outcome = readParameters(parameters);
    if (outcome.status != StatusCode::Ok) {
        parameterError(outcome.status, parameters[static_cast<size_t>(outcome.parameterNumber - 1)]);
    }
    const BaudSettings& settings = outcome.settings;
    printLines(settingsLines(settings));

    BaudResult result{0.0, 0, 0, 0, 0.0};
    if (!calculateBaudResult(settings.generator, settings.baudrate, settings.clock, result)) {
        calculationError(StatusCode::CannotGenerate, "");
    }
    // The accuracy is judged on the extended deviation, before it is stored.
    const long double deviation = relativeDeviation(settings.baudrate, result.resultingBaud);
    result.deviation = static_cast<double>(deviation);
    if (settings.accuracy < deviation) {
        calculationError(StatusCode::InsufficientAccuracy, insufficientAccuracyDetail(result.deviation));
    }

    printLine("");
    printLine(resultLine(result.resultingBaud, result.deviation));
    endRun(exitSuccess);
}
