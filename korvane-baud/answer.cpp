#include "answer.h"

#include "command_line.h"
#include "exit_status.h"
#include "survey_json.h"
#include "survey_text.h"

Answer answerCommandLine(int argc, char* argv[])
{
    const CommandLine commandLine = readCommandLine(argc, argv);
    switch (commandLine.request) {
    case Request::Help:
        return Answer{commandHelpLines(), {}, exitSuccess};
    case Request::Version:
        return Answer{versionLines(), {}, exitSuccess};
    case Request::Fail:
        return Answer{{}, {std::string(programName) + ": " + commandLine.errorText}, exitFailure};
    case Request::Run:
        break;
    }
    const Survey survey = runSurvey(commandLine.survey);
    const int status = survey.unmetRates.empty() ? exitSuccess : exitRateNotMet;
    if (commandLine.json) {
        return Answer{{surveyJson(commandLine.survey, survey)}, {}, status};
    }
    return Answer{surveyTextLines(commandLine.survey, survey), {}, status};
}
