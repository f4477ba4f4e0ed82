#include "common/command_line_frame.h"

#include <getopt.h>

namespace common {

#ifndef KORVANE_VERSION
#define KORVANE_VERSION "unknown"
#endif

namespace {

// getopt_long's codes for the table's options: past every letter.
constexpr int firstOptionCode = 256;
constexpr int helpCode = 'h';
constexpr int versionCode = 'V';

// The error text for what getopt_long answered with ':' (an option without
// its value) or '?' (an unknown option); `typed` is the argument as typed.
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

// The option that getopt_long answered with `code`, as an index into
// `options`, or -1.
int optionIndex(int code, const std::vector<OptionEntry>& options)
{
    for (size_t i = 0; i < options.size(); ++i) {
        if (code == firstOptionCode + static_cast<int>(i) || (options[i].letter != 0 && code == options[i].letter)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

}  // namespace

OptionsRead readOptions(const char* program, int argc, char* argv[], const std::vector<OptionEntry>& options,
                        const std::function<std::string(size_t option, const std::string& value)>& handle)
{
    // ":" first tells a missing value from an unknown option.
    std::string letters = ":hV";
    std::vector<option> longOptions;
    for (size_t i = 0; i < options.size(); ++i) {
        const int argument = options[i].takesValue ? required_argument : no_argument;
        longOptions.push_back({options[i].name, argument, nullptr, firstOptionCode + static_cast<int>(i)});
        if (options[i].letter != 0) {
            letters += options[i].letter;
            letters += options[i].takesValue ? ":" : "";
        }
    }
    longOptions.push_back({"help", no_argument, nullptr, helpCode});
    longOptions.push_back({"version", no_argument, nullptr, versionCode});
    longOptions.push_back({nullptr, 0, nullptr, 0});

    bool help = false;
    bool version = false;
    std::string firstError;
    // 0 starts getopt afresh (it keeps state between calls), and opterr = 0
    // keeps its own messages off standard error.
    optind = 0;
    opterr = 0;
    int code = 0;
    while ((code = getopt_long(argc, argv, letters.c_str(), longOptions.data(), nullptr)) != -1) {
        const std::string typed = argv[optind - 1] != nullptr ? argv[optind - 1] : "";
        const int index = optionIndex(code, options);
        std::string error;
        if (code == helpCode) {
            help = true;
        } else if (code == versionCode) {
            version = true;
        } else if (index < 0) {
            error = optionErrorText(code, typed);
        } else {
            error = handle(static_cast<size_t>(index), optarg != nullptr ? optarg : "");
        }
        if (firstError.empty()) {
            firstError = error;
        }
    }
    if (help) {
        return OptionsRead{CommandEnd::Help, "", {}};
    }
    if (version) {
        return OptionsRead{CommandEnd::Version, "", {}};
    }
    if (!firstError.empty()) {
        return OptionsRead{CommandEnd::Fail, usageErrorText(program, firstError), {}};
    }
    return OptionsRead{CommandEnd::Operands, "", std::vector<std::string>(argv + optind, argv + argc)};
}

std::string usageErrorText(const char* program, const std::string& text)
{
    return text + "; try '" + program + " --help'";
}

std::string programErrorLine(const char* program, const std::string& text)
{
    return std::string(program) + ": " + text;
}

std::string versionLine(const char* program)
{
    return std::string(program) + " (KORVANE host tools) " + KORVANE_VERSION;
}

}  // namespace common
