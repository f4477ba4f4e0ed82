// What the programs with GNU-style options share around getopt_long.
#pragma once

#include <string>

// The error text for what getopt_long answered with ':' (an option without
// its value) or '?' (an unknown option); `typed` is the argument as typed.
// Reads getopt's optopt.
std::string optionErrorText(int answer, const std::string& typed);

// "NAME (KORVANE host tools) VERSION", what --version prints.
std::string versionLine(const char* program);
