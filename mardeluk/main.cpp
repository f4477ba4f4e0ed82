// mardeluk: computes the UART baud-rate generator settings of an 8051-family
// chip, prints them as a report and writes them into korvane.inc. main only
// sequences the steps and prints; every decision is made in the core.
#include <csignal>
#include <string>
#include <vector>

#include "console.h"
#include "file_errors.h"
#include "file_output.h"
#include "generator_models.h"
#include "include_file.h"
#include "parameters.h"
#include "report.h"
#include "texts.h"

namespace {

int parameterError(const ParameterOutcome& outcome)
{
    printLine(parameterErrorLine(outcome.status, outcome.parameterText));
    printLine("");
    printLine(helpHint());
    return exitFailure;
}

int calculationError(const Calculation& calculation)
{
    printLine("");
    printLine(calculationErrorLine(calculation.status, calculation.result.deviation));
    return exitFailure;
}

// The empty line goes to standard output, the error line to standard error.
int fileError(int errnoValue, const std::string& fileName)
{
    printLine("");
    printErrorLine(fileErrorLine(errnoValue, fileName));
    return exitFileError;
}

}  // namespace

int main(int argc, char* argv[])
{
    // A write beyond the file size limit then fails with EFBIG, and the file
    // writer cleans up and reports it, instead of the signal ending the run.
    std::signal(SIGXFSZ, SIG_IGN);

    printLines(bannerLines());
    std::vector<std::string> parameters;
    for (int i = 1; i < argc; ++i) {
        parameters.push_back(cutText(argv[i]));
    }
    if (parameters.empty()) {
        printLines(helpLines());
        return exitFailure;
    }

    const ParameterOutcome outcome = readParameters(parameters);
    if (outcome.status != StatusCode::Ok) {
        return parameterError(outcome);
    }
    printLines(settingsLines(outcome.settings));

    const Calculation calculation = calculateSettings(outcome.settings);
    if (calculation.status != StatusCode::Ok) {
        return calculationError(calculation);
    }

    const int writeError = writeWholeFile(includeFileName, includeFileText(outcome.settings, calculation.result));
    if (writeError != 0) {
        return fileError(writeError, includeFileName);
    }

    printLine("");
    printLine(resultLine(calculation.result.resultingBaud, calculation.result.deviation));
    return exitSuccess;
}
