// mardeluk: computes the UART baud-rate generator settings of an 8051-family
// chip, prints them as a report and writes them into korvane.inc. main only
// prints and writes what the core decided (run_plan.h).
#include <string>
#include <vector>

#include "calculator/include_file.h"
#include "calculator/run_plan.h"
#include "common/texts.h"
#include "mardeluk/console.h"
#include "mardeluk/file_output.h"

namespace {

// The empty line goes to standard output, the error line to standard error.
int fileError(int error, const std::string& fileName)
{
    mardeluk::printLine("");
    mardeluk::printErrorLine(mardeluk::writeErrorLine(error, fileName));
    return common::exitFileError;
}

}  // namespace

int main(int argc, char* argv[])
{
    std::vector<std::string> parameters;
    for (int i = 1; i < argc; ++i) {
        parameters.push_back(common::cutText(argv[i]));
    }
    const calculator::RunPlan plan = calculator::planRun(parameters);
    mardeluk::printLines(plan.linesBeforeFile);
    if (plan.writesFile) {
        const int writeError = mardeluk::writeWholeFile(calculator::includeFileName, plan.fileText);
        if (writeError != 0) {
            return fileError(writeError, calculator::includeFileName);
        }
    }
    mardeluk::printLines(plan.linesAfterFile);
    return plan.exitStatus;
}
