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
    {Option::Tries, "tries", true},     {Option::Probe, "probe", false},   {Option::Inc, "inc", true},
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

const char* lineWord(PulseLines lines)
{
    for (const LineName& entry : lineNames) {
        if (entry.lines == lines) {
            return entry.name;
        }
    }
    return "";
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

namespace {

// --baud's rates, separated by commas.
std::string readLineRates(const std::string& text, std::vector<uint32_t>& rates)
{
    rates.clear();
    size_t start = 0;
    for (;;) {
        const size_t comma = text.find(',', start);
        uint32_t rate = 0;
        const std::string error = readLineRate(text.substr(start, comma - start), rate);
        if (!error.empty()) {
            return text.find(',') == std::string::npos
                       ? error
                       : "invalid --baud: " + text + " (whole numbers of Baud, 1 to 12000000, separated by commas)";
        }
        rates.push_back(rate);
        if (comma == std::string::npos) {
            return "";
        }
        start = comma + 1;
    }
}

}  // namespace

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
        options.sequenceText = value;
        return readSequence(value, options.sequence, badStep) ? "" : sequenceErrorText(badStep);
    }
    case Option::Expect:
        options.expect = true;
        options.answer.text = value;
        return value.empty() ? "--expect needs a text to wait for" : "";
    case Option::Baud:
    {
        options.expectDetailGiven = true;
        const std::string error = readLineRates(value, options.rates);
        options.answer.baud = error.empty() ? options.rates.front() : 0;
        return error;
    }
    case Option::Timeout:
        options.expectDetailGiven = true;
        options.timeoutGiven = true;
        options.timeoutText = value;
        return readTimeout(value, options.answer.milliseconds)
                   ? ""
                   : "invalid --timeout: " + value + " (seconds, above 0, at most 3600)";
    case Option::Tries:
        options.expectDetailGiven = true;
        options.triesGiven = true;
        return readTries(value, options.answer.tries) ? "" : "invalid --tries: " + value + " (1 to 100)";
    case Option::Probe:
        options.probe = true;
        return "";
    case Option::Inc:
        options.includePath = value;
        return value.empty() ? "--inc needs a file: a korvane.inc that mardeluk wrote" : "";
    }
    return "";
}

std::string completeOptions(Options& options, const std::optional<std::string>& width)
{
    if (options.expectDetailGiven && !options.expect) {
        return "--baud, --timeout and --tries go with --expect";
    }
    if (options.probe && !options.expect) {
        return "--probe needs --expect: the text that the board sends when it runs";
    }
    if (!options.includePath.empty() && !options.probe) {
        return "--inc goes with --probe";
    }
    if (options.probe && options.triesGiven) {
        return "--tries does not go with --probe, which resets once for each try";
    }
    if (!options.probe && options.rates.size() > 1) {
        return "--baud takes one rate without --probe";
    }
    if (options.expect && options.answer.baud == 0 && !options.probe) {
        return "--expect needs --baud: the rate at which the board answers";
    }
    if (options.probe && !options.timeoutGiven) {
        options.answer.milliseconds = probeMilliseconds;
        options.timeoutText = "0.5";
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
