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
    return optopt != 0 ? std::string("unknown option: -") + static_cast<char>(optopt) : "unknown option: " + typed;
}

std::string versionLine(const char* program)
{
    return std::string(program) + " (KORVANE host tools) " + KORVANE_VERSION;
}
