#include "reset/options.h"

#include "common/digits.h"
#include "common/real_text.h"

namespace reset {

namespace {

struct OptionFacts {
    Option option;
    const char* name;
    bool takesValue;
};

const OptionFacts optionFacts[] = {
    {Option::Line, "line", true},       {Option::Invert, "invert", false}, {Option::Sequence, "sequence", true},
    {Option::Expect, "expect", true},   {Option::Baud, "baud", true},      {Option::Timeout, "timeout", true},
    {Option::Tries, "tries", true},
};

struct LineName {
    const char* name;
    PulseLines lines;
};

const LineName lineNames[] = {
    {"dtr", PulseLines::Dtr},
    {"rts", PulseLines::Rts},
    {"both", PulseLines::Both},
};

const OptionFacts& factsOf(Option option)
{
    return optionFacts[static_cast<size_t>(option)];
}

bool readTries(const std::string& text, uint32_t& tries)
{
    uint32_t value = 0;
    for (const char c : text) {
        if (!common::isDecimalDigit(c) || (value = value * 10 + static_cast<uint32_t>(c - '0')) > maxTries) {
            return false;
        }
    }
    if (text.empty() || value == 0) {
        return false;
    }
    tries = value;
    return true;
}

bool readTimeout(const std::string& text, uint32_t& milliseconds)
{
    return readSeconds(text, maxAnswerMilliseconds, milliseconds) && milliseconds != 0;
}

bool readLines(const std::string& text, PulseLines& lines)
{
    for (const LineName& entry : lineNames) {
        if (text == entry.name) {
            lines = entry.lines;
            return true;
        }
    }
    return false;
}

}  // namespace

int linesOf(PulseLines lines)
{
    switch (lines) {
    case PulseLines::Rts:
        return rtsLine;
    case PulseLines::Both:
        return dtrLine | rtsLine;
    case PulseLines::Dtr:
        break;
    }
    return dtrLine;
}

const char* optionName(Option option)
{
    return factsOf(option).name;
}

bool optionTakesValue(Option option)
{
    return factsOf(option).takesValue;
}

std::string readLineRate(const std::string& text, uint32_t& baud)
{
    double value = 0.0;
    if (!common::parseReal(text, value) || !(value >= 1 && value <= maxLineRate) ||
        value != static_cast<uint32_t>(value)) {
        return "invalid --baud: " + text + " (a whole number of Baud, 1 to 12000000)";
    }
    baud = static_cast<uint32_t>(value);
    return "";
}

std::string readOption(Option option, const std::string& value, Options& options)
{
    switch (option) {
    case Option::Line:
        options.lineGiven = true;
        return readLines(value, options.lines) ? "" : "invalid line: " + value + " (dtr, rts or both)";
    case Option::Invert:
        options.inverted = true;
        return "";
    case Option::Sequence: {
        std::string badStep;
        return readSequence(value, options.sequence, badStep) ? "" : sequenceErrorText(badStep);
    }
    case Option::Expect:
        options.expect = true;
        options.answer.text = value;
        return value.empty() ? "--expect needs a text to wait for" : "";
    case Option::Baud:
        options.expectDetailGiven = true;
        return readLineRate(value, options.answer.baud);
    case Option::Timeout:
        options.expectDetailGiven = true;
        options.timeoutText = value;
        return readTimeout(value, options.answer.milliseconds)
                   ? ""
                   : "invalid --timeout: " + value + " (seconds, above 0, at most 3600)";
    case Option::Tries:
        options.expectDetailGiven = true;
        return readTries(value, options.answer.tries) ? "" : "invalid --tries: " + value + " (1 to 100)";
    }
    return "";
}

std::string completeOptions(Options& options, const std::optional<std::string>& width)
{
    if (options.expectDetailGiven && !options.expect) {
        return "--baud, --timeout and --tries go with --expect";
    }
    if (options.expect && options.answer.baud == 0) {
        return "--expect needs --baud: the rate at which the board answers";
    }
    if (!options.sequence.empty() && (width || options.lineGiven || options.inverted)) {
        return "--sequence does not mix with WIDTH, --line or --invert";
    }
    if (width && !common::readPulseWidth(*width, options.pulseWidth)) {
        return "invalid pulse width: " + *width + " (1 to 65535 ms)";
    }
    return "";
}

}  // namespace reset
