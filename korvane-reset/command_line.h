// The command line of korvane-reset, GNU style: options through getopt_long,
// then PORT and an optional WIDTH. Also the help text. Pure:
// nothing here prints.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/pulse_width.h"
#include "korvane-reset/expect.h"
#include "korvane-reset/pulse.h"
#include "reset/sequence.h"

namespace korvane_reset {

constexpr const char* programName = "korvane-reset";

// --expect's limits.
constexpr uint32_t maxAnswerMilliseconds = 3600000;
constexpr uint32_t maxTries = 100;
constexpr double maxLineRate = 12000000;

enum class Request { Help, Version, List, Run, Fail };

// The defaults are those of a run without options.
struct CommandLine {
    Request request = Request::Run;
    std::string errorText;                // for Fail: the message, with the hint to --help
    PulseLines lines = PulseLines::Dtr;   // --line
    bool inverted = false;                // --invert: the lines go on for the pulse
    std::vector<reset::SequenceStep> sequence;   // --sequence, empty without it
    bool json = false;                    // --list --json
    bool expect = false;                  // --expect: wait for the board's answer
    ExpectRequest answer{"", 0, 0, 1};    // --expect, --baud, --timeout (from timeoutText), --tries
    std::string timeoutText = "2";        // --timeout as typed, in seconds: also the message's
    std::string port;                     // PORT as typed
    uint16_t pulseWidth = common::defaultPulseWidth;  // milliseconds
};

// Reads argv as getopt_long does (it may reorder argv); argv[0] is the
// program's name and is not used. --help wins over every other request,
// then --version, then --list.
CommandLine readCommandLine(int argc, char* argv[]);

std::vector<std::string> helpLines();

}  // namespace korvane_reset
