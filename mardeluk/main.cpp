// mardeluk: computes the UART baud-rate generator settings of an 8051-family
// chip, prints them as a report and writes them into korvane.inc; the run
// order and exit statuses live here.
#include <string>
#include <vector>

#include "console.h"
#include "file_errors.h"
#include "file_output.h"
#include "generator_models.h"
#include "include_file.h"
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

// The empty line goes to standard output, the error line to standard error.
[[noreturn]] void reportFileError(int errnoValue, const std::string& fileName)
{
    printLine("");
    printErrorLine(fileErrorLine(errnoValue, fileName), exitFileError);
    endRun(exitFileError);
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
    const Extended deviation = relativeDeviation(settings.baudrate, result.resultingBaud);
    result.deviation = static_cast<double>(deviation);
    if (settings.accuracy < deviation) {
        calculationError(StatusCode::InsufficientAccuracy, insufficientAccuracyDetail(result.deviation));
    }

    const int fileError = writeWholeFile(includeFileName, includeFileText(settings, result));
    if (fileError != 0) {
        reportFileError(fileError, includeFileName);
    }

    printLine("");
    printLine(resultLine(result.resultingBaud, result.deviation));
    endRun(exitSuccess);
}
