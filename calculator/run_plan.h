// What a run of mardeluk prints and writes for its parameters, decided
// without printing: the lines of standard output up to the include file,
// the file, and the lines after it. mardeluk prints and writes them in that
// order; the web page shows them.
#pragma once

#include <string>
#include <vector>

namespace calculator {

struct RunPlan {
    std::vector<std::string> linesBeforeFile;  // banner, settings, or the help screen or an error line
    bool writesFile;
    std::string fileText;                      // korvane.inc, when it is written
    std::vector<std::string> linesAfterFile;   // the result, once the file is written
    int exitStatus;                            // when the file, if any, could be written
};

// `parameters` are the command-line arguments after the program's name,
// each already cut to the text limit.
RunPlan planRun(const std::vector<std::string>& parameters);

}  // namespace calculator
