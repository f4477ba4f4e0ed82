#include "korvane-reset/command_line.h"

#include "common/command_line_frame.h"
#include "common/digits.h"
#include "common/pulse_width.h"
#include "common/real_text.h"

namespace korvane_reset {

namespace {

enum class Option { List, Line, Invert, Sequence, Json, Expect, Baud, Timeout, Tries };

// In the order of Option.
const std::vector<common::OptionEntry> options = {
    {"list", 'l', false},    {"line", 0, true},   {"invert", 0, false},
    {"sequence", 0, true},   {"json", 0, false},  {"expect", 0, true},
    {"baud", 0, true},       {"timeout", 0, true}, {"tries", 0, true},
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

CommandLine failure(const std::string& text)
{
    CommandLine result;
    result.request = Request::Fail;
    result.errorText = common::usageErrorText(programName, text);
    return result;
}

// mardeluk's number forms ("9600", "9.6e3"), a whole number of Baud.
bool readLineRate(const std::string& text, uint32_t& baud)
{
    double value = 0.0;
    if (!common::parseReal(text, value) || !(value >= 1 && value <= maxLineRate) || value != static_cast<uint32_t>(value)) {
        return false;
    }
    baud = static_cast<uint32_t>(value);
    return true;
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
    return reset::readSeconds(text, maxAnswerMilliseconds, milliseconds) && milliseconds != 0;
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

// What the options found, for the checks that come after them.
struct Given {
    bool list = false;
    bool line = false;
    bool expectDetail = false;  // --baud, --timeout or --tries
};

// One option's meaning: "" or its error text.
std::string readOption(Option option, const std::string& value, CommandLine& result, Given& given)
{
    switch (option) {
    case Option::List:
        given.list = true;
        break;
    case Option::Line:
        given.line = true;
        if (!readLines(value, result.lines)) {
            return "invalid line: " + value + " (dtr, rts or both)";
        }
        break;
    case Option::Invert:
        result.inverted = true;
        break;
    case Option::Sequence: {
        std::string badStep;
        if (!reset::readSequence(value, result.sequence, badStep)) {
            return reset::sequenceErrorText(badStep);
        }
        break;
    }
    case Option::Json:
        result.json = true;
        break;
    case Option::Expect:
        result.expect = true;
        result.answer.text = value;
        if (value.empty()) {
            return "--expect needs a text to wait for";
        }
        break;
    case Option::Baud:
        given.expectDetail = true;
        if (!readLineRate(value, result.answer.baud)) {
            return "invalid --baud: " + value + " (a whole number of Baud, 1 to 12000000)";
        }
        break;
    case Option::Timeout:
        given.expectDetail = true;
        result.timeoutText = value;
        if (!readTimeout(value, result.answer.milliseconds)) {
            return "invalid --timeout: " + value + " (seconds, above 0, at most 3600)";
        }
        break;
    case Option::Tries:
        given.expectDetail = true;
        if (!readTries(value, result.answer.tries)) {
            return "invalid --tries: " + value + " (1 to 100)";
        }
        break;
    }
    return "";
}

}  // namespace

CommandLine readCommandLine(int argc, char* argv[])
{
    CommandLine result;
    readTimeout(result.timeoutText, result.answer.milliseconds);
    Given given;
    const common::OptionsRead read = common::readOptions(programName, argc, argv, options, [&](size_t option, const std::string& value) {
        return readOption(static_cast<Option>(option), value, result, given);
    });
    switch (read.end) {
    case common::CommandEnd::Help:
        result.request = Request::Help;
        return result;
    case common::CommandEnd::Version:
        result.request = Request::Version;
        return result;
    case common::CommandEnd::Fail:
        result.request = Request::Fail;
        result.errorText = read.errorText;
        return result;
    case common::CommandEnd::Operands:
        break;
    }
    const std::vector<std::string>& operands = read.operands;
    if (result.json && !given.list) {
        return failure("--json goes with --list");
    }
    if (given.list) {
        if (!operands.empty()) {
            return failure("--list takes no port: " + operands[0]);
        }
        result.request = Request::List;
        return result;
    }
    if (operands.empty()) {
        return failure("no port given");
    }
    if (operands.size() > 2) {
        return failure("too many arguments: " + operands[2]);
    }
    if (given.expectDetail && !result.expect) {
        return failure("--baud, --timeout and --tries go with --expect");
    }
    if (result.expect && result.answer.baud == 0) {
        return failure("--expect needs --baud: the rate at which the board answers");
    }
    if (!result.sequence.empty() && (operands.size() == 2 || given.line || result.inverted)) {
        return failure("--sequence does not mix with WIDTH, --line or --invert");
    }
    result.port = operands[0];
    if (operands.size() == 2 && !common::readPulseWidth(operands[1], result.pulseWidth)) {
        return failure("invalid pulse width: " + operands[1] + " (1 to 65535 ms)");
    }
    return result;
}

std::vector<std::string> helpLines()
{
    return {
        "Usage: korvane-reset [OPTIONS] PORT [WIDTH]",
        "Resets a KORVANE target board with a pulse on a serial port's modem lines",
        "or a parallel port's data lines, through the kernel's drivers.",
        "",
        "  PORT   a device such as /dev/ttyUSB0, /dev/ttyACM0, /dev/ttyS0,",
        "         /dev/parport0 or a link below /dev/serial/by-id/; a bare name",
        "         such as ttyUSB0 is looked up in /dev; lp0 to lp2 are /dev/parport0",
        "         to 2, cua0 to cua3 are /dev/ttyS0 to 3; null only waits",
        "  WIDTH  the pulse width in milliseconds, 1 to 65535 (default 50);",
        "         $ introduces a hexadecimal number, % a binary one",
        "",
        "Options:",
        "      --line=dtr|rts|both  the lines switched off for the pulse (default",
        "                           dtr); afterwards DTR and RTS are both on",
        "      --invert             for a reset circuit that inverts the line: the",
        "                           lines go on for the pulse and off after it;",
        "                           on a parallel port the two patterns swap",
        "      --sequence=STEPS     a serial port's own reset sequence instead of the",
        "                           pulse: D0/D1 and R0/R1 set DTR and RTS, U0,1 sets",
        "                           both at once, W0.05 waits 0.05 s, steps separated",
        "                           by | (the default pulse is D0|W0.05|U1,1)",
        "      --expect=TEXT        after the reset, wait until the board sends TEXT",
        "                           and show what it sends; needs --baud",
        "      --baud=RATE          the line's rate for --expect, in Baud",
        "      --timeout=SECONDS    how long to wait from the release (default 2)",
        "      --tries=N            how often to reset and wait at most (default 1)",
        "  -l, --list               list this machine's serial and parallel ports",
        "      --json               with --list: the list as one JSON array",
        "  -h, --help               show this help and exit",
        "  -V, --version            show the version and exit",
        "",
        "A run that succeeds prints nothing but the board's answer. Exit status: 0",
        "after the pulse (and the answer), 1 after an error, 3 when the board did",
        "not answer, 4 when its answer could not be written. See korvane-reset(1)",
        "for wiring and troubleshooting.",
    };
}

}  // namespace korvane_reset
