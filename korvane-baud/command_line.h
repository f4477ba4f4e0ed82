// The command line of korvane-baud, GNU style: options through getopt_long,
// no operands. Also the help and version texts. Pure: nothing here prints.
#pragma once

#include <string>
#include <vector>

#include "link_survey.h"

constexpr const char* programName = "korvane-baud";

// The largest clock and rate taken, beyond every 8051 and every PC port.
constexpr double maxClockMegahertz = 1000.0;
constexpr double maxRate = 10000000.0;

enum class Request { Help, Version, Run, Fail };

struct CommandLine {
    Request request;
    std::string errorText;  // for Fail: the message, with the hint to --help
    SurveyRequest survey;   // the standard rates and every generator unless given
    bool json;
};

// Reads argv as getopt_long does (it may reorder argv); argv[0] is not used.
// --help wins over every other request, then --version.
CommandLine readCommandLine(int argc, char* argv[]);

std::vector<std::string> commandHelpLines();
std::vector<std::string> versionLines();
