// korvane-baud: every generator at a clock, or the crystals for a list of
// rates, with the settings that mardeluk would write and the PC's side of
// the link. main reads the command line and prints what the survey answered.

#include "common/command_line_frame.h"
#include "common/exit_status.h"
#include "common/line_output.h"
#include "korvane-baud/command_line.h"
#include "survey/answer.h"

namespace {

// exitFailure also when the lines could not be written.
int print(const std::vector<std::string>& lines, int status)
{
    return common::writeLines(common::Stream::Out, lines) ? status : common::exitFailure;
}

}  // namespace

int main(int argc, char* argv[])
{
    const korvane_baud::CommandLine commandLine = korvane_baud::readCommandLine(argc, argv);
    switch (commandLine.request) {
    case korvane_baud::Request::Help:
        return print(korvane_baud::helpLines(), common::exitSuccess);
    case korvane_baud::Request::Version:
        return print({common::versionLine(korvane_baud::programName)}, common::exitSuccess);
    case korvane_baud::Request::Fail:
        common::writeLines(common::Stream::Err, {common::programErrorLine(korvane_baud::programName, commandLine.errorText)});
        return common::exitFailure;
    case korvane_baud::Request::Run:
        break;
    }
    const survey::Answer answer = survey::answerSurvey(commandLine.survey, commandLine.json);
    return print(answer.lines, answer.exitStatus);
}
