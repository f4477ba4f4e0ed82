// Everything that korvane-baud prints for a command line, decided without
// printing, for the program and for the web page alike.
#pragma once

#include <string>
#include <vector>

struct Answer {
    std::vector<std::string> outLines;  // standard output
    std::vector<std::string> errLines;  // standard error
    int exitStatus;
};

// A rate that no clock and generator meets within the accuracy.
constexpr int exitRateNotMet = 2;

// argv[0] is the program's name and is not used; getopt_long may reorder argv.
Answer answerCommandLine(int argc, char* argv[]);
