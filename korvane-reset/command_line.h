// The command line of korvane-reset, GNU style: options through getopt_long,
// then PORT and an optional WIDTH. Also the help text. Pure:
// nothing here prints.
#pragma once

#include <string>
#include <vector>

#include "reset/messages.h"
#include "reset/options.h"

namespace korvane_reset {

using reset::programName;

enum class Request { Help, Version, List, Run, Fail };

struct CommandLine {
    Request request = Request::Run;
    std::string errorText;   // for Fail: the message, with the hint to --help
    bool json = false;       // --list --json
    std::string port;        // PORT as typed
    reset::Options options;  // the reset's options and WIDTH
};

// Reads argv as getopt_long does (it may reorder argv); argv[0] is the
// program's name and is not used. --help wins over every other request,
// then --version, then --list.
CommandLine readCommandLine(int argc, char* argv[]);

std::vector<std::string> helpLines();

}  // namespace korvane_reset
