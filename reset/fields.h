// The page's reset section: its fields read as the korvane-reset command
// line that the page shows for them, by the program's own checks, so that
// the page resets where the program would and refuses in its words. A
// field at its default is an option not given; with a sequence, the
// pulse's fields (line, inversion, width) are no part of the command.
#pragma once

#include <cstdint>
#include <string>

#include "reset/options.h"

namespace reset {

struct Fields {
    std::string line = "dtr";
    std::string width = "50";
    bool invert = false;
    std::string sequence;
    std::string expect;
    std::string baud;           // the rate that the page uses, as typed
    std::string timeout = "2";
    std::string tries = "1";
    bool probe = false;         // the probe's button, not the reset's
};

struct FieldsRead {
    std::string command;     // "korvane-reset [OPTIONS] PORT [WIDTH]", each word as the shell takes it
    std::string errorText;   // "" or the first error
    Options options;
    uint32_t rate;           // the port's rate: --baud's, with or without --expect
};

FieldsRead readFields(const Fields& fields);

// A word as the shell takes it: in single quotes unless every character is safe.
std::string shellWord(const std::string& word);

}  // namespace reset
