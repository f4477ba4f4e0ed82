// The command line of korvane-reset, GNU style: options through getopt_long,
// then PORT and an optional WIDTH. Also the help and version texts. Pure:
// nothing here prints.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "korvane-reset/expect.h"
#include "korvane-reset/pulse.h"
#include "reset/sequence.h"

namespace korvane_reset {

constexpr const char* programName = "korvane-reset";

// --expect's defaults and limits.
constexpr uint32_t defaultAnswerMilliseconds = 2000;
constexpr uint32_t maxAnswerMilliseconds = 3600000;
constexpr uint32_t maxTries = 100;
constexpr double maxLineRate = 12000000;

enum class Request { Help, Version, List, Run, Fail };

struct CommandLine {
    Request request;
    std::string errorText;  // for Fail: the message, with the hint to --help
    PulseLines lines;       // --line, DTR by default
    bool inverted;          // --invert: the lines go on for the pulse
    std::vector<reset::SequenceStep> sequence;  // --sequence, empty without it
    bool json;              // --list --json
    bool expect;            // --expect: wait for the board's answer
    ExpectRequest answer;   // --expect, --baud, --timeout, --tries
    std::string timeoutText;  // --timeout as typed, for the message
    std::string port;       // PORT as typed
    uint16_t pulseWidth;    // milliseconds
};

// Reads argv as getopt_long does (it may reorder argv); argv[0] is the
// program's name and is not used. --help wins over every other request,
// then --version, then --list.
CommandLine readCommandLine(int argc, char* argv[]);

std::vector<std::string> helpLines();
std::vector<std::string> versionLines();

}  // namespace korvane_reset
