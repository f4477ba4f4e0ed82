// The frame of the programs with GNU-style options (korvane-baud,
// korvane-reset): getopt_long over a program's option table, --help and
// --version for every program, the first error kept, and the error and
// version texts. Each program only says what each of its options means.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace common {

// An option of a program's table; the program knows it by its index.
struct OptionEntry {
    const char* name;  // the long name, without "--"
    char letter;       // the short name, or 0 for none
    bool takesValue;
};

enum class CommandEnd {
    Help,      // --help: wins over everything else
    Version,   // --version: wins over the rest
    Fail,      // errorText says why
    Operands,  // the options were read; the operands follow
};

struct OptionsRead {
    CommandEnd end;
    std::string errorText;              // Fail: the first error and the hint to --help
    std::vector<std::string> operands;  // Operands: in the order given
};

// Reads argv as getopt_long does (it may reorder argv; argv[0] is not used)
// and calls `handle` with each option's index into `options` and its value
// ("" for an option without one), in the order given, even after an error.
// `handle` answers "" or the error text of that option; only the first
// error counts, and only when neither --help nor --version was given.
OptionsRead readOptions(const char* program, int argc, char* argv[], const std::vector<OptionEntry>& options,
                        const std::function<std::string(size_t option, const std::string& value)>& handle);

// A usage error's text: `text` and the hint "; try 'PROGRAM --help'".
std::string usageErrorText(const char* program, const std::string& text);

// "PROGRAM: text", every error line of these programs.
std::string programErrorLine(const char* program, const std::string& text);

// "NAME (KORVANE host tools) VERSION", what --version prints.
std::string versionLine(const char* program);

}  // namespace common
