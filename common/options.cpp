#include "options.h"

#include <getopt.h>

#ifndef KORVANE_VERSION
#define KORVANE_VERSION "unknown"
#endif

std::string optionErrorText(int answer, const std::string& typed)
{
    if (answer == ':') {
        return "option " + typed + " needs a value";
    }
    // For a long option getopt sets optopt only when the option is known and
    // was given a value that it does not take; then optopt is its code.
    if (typed.compare(0, 2, "--") == 0) {
        return optopt != 0 ? "option " + typed.substr(0, typed.find('=')) + " takes no value"
                           : "unknown option: " + typed;
    }
    return std::string("unknown option: -") + static_cast<char>(optopt);
}

std::string versionLine(const char* program)
{
    return std::string(program) + " (KORVANE host tools) " + KORVANE_VERSION;
}
