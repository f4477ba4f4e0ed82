#include "reset/fields.h"

#include <optional>
#include <utility>
#include <vector>

#include "reset/messages.h"

namespace reset {

namespace {

// A sequence takes the pulse's place: the line, the inversion and the width
// typed for a pulse are set aside, not refused.
bool pulseGiven(const Fields& fields)
{
    return fields.sequence.empty();
}

// The options that the fields give, in the order of korvane-reset's help;
// --baud, --timeout and --tries only with --expect, as the command line
// needs them; under --probe the rates only where some are given, and no
// --tries.
std::vector<std::pair<Option, std::string>> givenOptions(const Fields& fields)
{
    const Fields defaults;
    std::vector<std::pair<Option, std::string>> given;
    if (fields.probe) {
        given.emplace_back(Option::Probe, "");
    }
    if (pulseGiven(fields) && fields.line != defaults.line) {
        given.emplace_back(Option::Line, fields.line);
    }
    if (pulseGiven(fields) && fields.invert) {
        given.emplace_back(Option::Invert, "");
    }
    if (!fields.sequence.empty()) {
        given.emplace_back(Option::Sequence, fields.sequence);
    }
    if (!fields.expect.empty()) {
        given.emplace_back(Option::Expect, fields.expect);
        if (!fields.probe || !fields.baud.empty()) {
            given.emplace_back(Option::Baud, fields.baud);
        }
        if (fields.timeout != defaults.timeout) {
            given.emplace_back(Option::Timeout, fields.timeout);
        }
        if (fields.tries != defaults.tries && !fields.probe) {
            given.emplace_back(Option::Tries, fields.tries);
        }
    }
    return given;
}

bool shellSafe(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           std::string("_@%+=:,./-").find(c) != std::string::npos;
}

}  // namespace

std::string shellWord(const std::string& word)
{
    bool safe = !word.empty();
    for (const char c : word) {
        safe = safe && shellSafe(c);
    }
    if (safe) {
        return word;
    }
    std::string quoted = "'";
    for (const char c : word) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

FieldsRead readFields(const Fields& fields)
{
    FieldsRead result{programName, "", Options{}, 0};
    const std::optional<std::string> width = pulseGiven(fields) && fields.width != Fields{}.width
                                                 ? std::optional<std::string>(fields.width)
                                                 : std::nullopt;
    for (const auto& [option, value] : givenOptions(fields)) {
        const std::string word = std::string("--") + optionName(option);
        result.command += " " + shellWord(optionTakesValue(option) ? word + "=" + value : word);
        const std::string error = readOption(option, value, result.options);
        if (result.errorText.empty()) {
            result.errorText = error;
        }
    }
    result.command += " PORT" + (width ? " " + shellWord(*width) : "");
    if (result.errorText.empty()) {
        result.errorText = completeOptions(result.options, width);
    }
    // Without --expect the program sets no rate, but the page's port opens at one.
    if (result.errorText.empty()) {
        result.errorText = result.options.expect ? "" : readLineRate(fields.baud, result.rate);
        result.rate = result.options.expect ? result.options.answer.baud : result.rate;
    }
    return result;
}

}  // namespace reset
