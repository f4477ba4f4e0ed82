// korvane-baud: every generator at a clock, or the crystals for a list of
// rates, with the settings that mardeluk would write and the PC's side of
// the link. main only prints what the core answered (answer.h).
#include <unistd.h>

#include "answer.h"
#include "exit_status.h"
#include "line_output.h"

int main(int argc, char* argv[])
{
    const Answer answer = answerCommandLine(argc, argv);
    // exitFailure also when the lines could not be written.
    if (!writeLines(STDOUT_FILENO, answer.outLines)) {
        return exitFailure;
    }
    writeLines(STDERR_FILENO, answer.errLines);
    return answer.exitStatus;
}
