// The command line of quorvik: the checks of its one or two arguments, in
// their fixed order. Pure: nothing here prints.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quorvik {

// What the arguments ask for: the usage screen, an error line, or a run.
enum class Request { ShowUsage, Fail, Run };

struct ArgumentOutcome {
    Request request;
    std::string errorText;  // for Fail: the text inside the error line
    int portIndex;          // for Run: the row of the port table
    uint16_t pulseWidth;    // for Run, milliseconds
};

// Checks the arguments (without the program name) in the run's order: none,
// too many, port name, pulse width. Each argument is cut to the text limit.
ArgumentOutcome readArguments(const std::vector<std::string>& arguments);

}  // namespace quorvik
