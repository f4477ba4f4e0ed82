// korvane-baud: every generator at a clock, or the crystals for a list of
// rates, with the settings that mardeluk would write and the PC's side of
// the link. The run order, what it prints and its exit statuses live here.
#include <unistd.h>

#include "command_line.h"
#include "exit_status.h"
#include "line_output.h"
#include "survey_json.h"
#include "survey_text.h"

namespace {

// A rate that no clock and generator meets within the accuracy.
constexpr int exitRateNotMet = 2;

// exitFailure also when the lines could not be written.
int finish(int descriptor, const std::vector<std::string>& lines, int status)
{
    return writeLines(descriptor, lines) ? status : exitFailure;
}

}  // namespace

int main(int argc, char* argv[])
{
    const CommandLine commandLine = readCommandLine(argc, argv);
    switch (commandLine.request) {
    case Request::Help:
        return finish(STDOUT_FILENO, commandHelpLines(), exitSuccess);
    case Request::Version:
        return finish(STDOUT_FILENO, versionLines(), exitSuccess);
    case Request::Fail:
        return finish(STDERR_FILENO, {std::string(programName) + ": " + commandLine.errorText}, exitFailure);
    case Request::Run:
        break;
    }
    const Survey survey = runSurvey(commandLine.survey);
    const int status = survey.unmetRates.empty() ? exitSuccess : exitRateNotMet;
    if (commandLine.json) {
        return finish(STDOUT_FILENO, {surveyJson(commandLine.survey, survey)}, status);
    }
    return finish(STDOUT_FILENO, surveyTextLines(commandLine.survey, survey), status);
}
