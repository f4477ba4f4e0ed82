// A korvane-reset command line from its arguments, as the program reads it.
#pragma once

#include <string>
#include <vector>

#include "korvane-reset/command_line.h"

namespace korvane_reset {

inline CommandLine commandLineOf(std::vector<std::string> arguments)
{
    arguments.insert(arguments.begin(), "korvane-reset");
    std::vector<char*> argv;
    for (std::string& argument : arguments) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    return readCommandLine(static_cast<int>(arguments.size()), argv.data());
}

}  // namespace korvane_reset
