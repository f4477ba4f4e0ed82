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

// The long options that `name` may mean: the one of that name, else every
// one that it abbreviates, in the table's order.
std::vector<const option*> longOptionsNamed(const std::string& name, const std::vector<option>& longOptions)
{
    std::vector<const option*> candidates;
    for (const option& entry : longOptions) {
        if (entry.name == nullptr) {
            continue;
        }
        const std::string full = entry.name;
        if (full == name) {
            return {&entry};
        }
        if (full.compare(0, name.size(), name) == 0) {
            candidates.push_back(&entry);
        }
    }
    return candidates;
}

// "--list or --line", "--a, --b or --c".
std::string alternativesText(const std::vector<const option*>& candidates)
{
    std::string text;
    for (size_t i = 0; i < candidates.size(); ++i) {
        text += (i == 0 ? "" : i + 1 == candidates.size() ? " or " : ", ") + std::string("--") + candidates[i]->name;
    }
    return text;
}

// The error text for what getopt_long answered with ':' (an option without
// its value) or '?' (an unknown option); `typed` is the argument as typed.
// The C libraries word their findings differently (one reports a value
// given to an option that takes none as a missing value), so what went
// wrong with a long option is read off the table here.
std::string optionErrorText(int answer, const std::string& typed, const std::vector<option>& longOptions)
{
    if (typed.compare(0, 2, "--") == 0) {
        const size_t equals = typed.find('=');
        const std::string asked = typed.substr(0, equals);
        const std::vector<const option*> candidates = longOptionsNamed(asked.substr(2), longOptions);
        if (candidates.empty() || asked == "--") {
            return "unknown option: " + typed;
        }
        if (candidates.size() > 1) {
            return "ambiguous option: " + asked + " (" + alternativesText(candidates) + ")";
        }
        const option* entry = candidates.front();
        if (entry->has_arg == no_argument) {
            return equals != std::string::npos ? "option " + asked + " takes no value" : "unknown option: " + typed;
        }
        return "option " + typed + " needs a value";
    }
    if (answer == ':') {
        return "option " + typed + " needs a value";
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
            error = optionErrorText(code, typed, longOptions);
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
