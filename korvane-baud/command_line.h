// The command line of korvane-baud, GNU style: options only, no operands.
// Also the help text. Pure: nothing here prints.
#pragma once

#include <string>
#include <vector>

#include "survey/link_survey.h"

namespace korvane_baud {

constexpr const char* programName = "korvane-baud";

enum class Request { Help, Version, Run, Fail };

struct CommandLine {
    Request request = Request::Run;
    std::string errorText;  // for Fail: the message, with the hint to --help
    survey::SurveyRequest survey;   // the standard rates and every generator unless given
    bool json = false;
};

// Reads argv as getopt_long does (it may reorder argv); argv[0] is not used.
// --help wins over every other request, then --version.
CommandLine readCommandLine(int argc, char* argv[]);

std::vector<std::string> helpLines();

}  // namespace korvane_baud
