#include "korvane-reset/command_line.h"

#include <getopt.h>

#include "digits.h"
#include "options.h"
#include "parameters.h"
#include "pulse_width.h"

namespace korvane_reset {

namespace {

constexpr int lineOption = 1000;
constexpr int invertOption = 1001;
constexpr int sequenceOption = 1002;
constexpr int jsonOption = 1003;
constexpr int expectOption = 1004;
constexpr int baudOption = 1005;
constexpr int timeoutOption = 1006;
constexpr int triesOption = 1007;

const option longOptions[] = {
    {"help", no_argument, nullptr, 'h'},
    {"version", no_argument, nullptr, 'V'},
    {"list", no_argument, nullptr, 'l'},
    {"line", required_argument, nullptr, lineOption},
    {"invert", no_argument, nullptr, invertOption},
    {"sequence", required_argument, nullptr, sequenceOption},
    {"json", no_argument, nullptr, jsonOption},
    {"expect", required_argument, nullptr, expectOption},
    {"baud", required_argument, nullptr, baudOption},
    {"timeout", required_argument, nullptr, timeoutOption},
    {"tries", required_argument, nullptr, triesOption},
    {nullptr, 0, nullptr, 0},
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
    return CommandLine{Request::Fail, text + "; try '" + programName + " --help'", PulseLines::Dtr, false, {}, false, false,
                       ExpectRequest{}, "", "", defaultPulseWidth};
}

// mardeluk's number forms ("9600", "9.6e3"), a whole number of Baud.
bool readLineRate(const std::string& text, uint32_t& baud)
{
    double value = 0.0;
    if (!parseReal(text, value) || !(value >= 1 && value <= maxLineRate) || value != static_cast<uint32_t>(value)) {
        return false;
    }
    baud = static_cast<uint32_t>(value);
    return true;
}

bool readTries(const std::string& text, uint32_t& tries)
{
    uint32_t value = 0;
    for (const char c : text) {
        if (!isDecimalDigit(c) || (value = value * 10 + static_cast<uint32_t>(c - '0')) > maxTries) {
            return false;
        }
    }
    if (text.empty() || value == 0) {
        return false;
    }
    tries = value;
    return true;
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

CommandLine readCommandLine(int argc, char* argv[])
{
    CommandLine result{Request::Run,  "",    PulseLines::Dtr, false, {}, false, false,
                       ExpectRequest{"", 0, defaultAnswerMilliseconds, 1}, "2", "", defaultPulseWidth};
    bool expectDetailGiven = false;
    bool lineGiven = false;
    bool help = false;
    bool version = false;
    bool list = false;
    std::string firstError;

    // 0 starts getopt afresh (it keeps state between calls); ":" first makes
    // it report a missing option argument apart from an unknown option, and
    // opterr = 0 keeps its own messages off standard error.
    optind = 0;
    opterr = 0;
    int option = 0;
    while ((option = getopt_long(argc, argv, ":hVl", longOptions, nullptr)) != -1) {
        const std::string typed = argv[optind - 1] != nullptr ? argv[optind - 1] : "";
        if (option == 'h') {
            help = true;
        } else if (option == 'V') {
            version = true;
        } else if (option == 'l') {
            list = true;
        } else if (option == expectOption) {
            result.expect = true;
            result.answer.text = optarg;
            if (result.answer.text.empty() && firstError.empty()) {
                firstError = "--expect needs a text to wait for";
            }
        } else if (option == baudOption) {
            expectDetailGiven = true;
            if (!readLineRate(optarg, result.answer.baud) && firstError.empty()) {
                firstError = std::string("invalid --baud: ") + optarg + " (a whole number of Baud, 1 to 12000000)";
            }
        } else if (option == timeoutOption) {
            expectDetailGiven = true;
            result.timeoutText = optarg;
            if ((!reset::readSeconds(optarg, maxAnswerMilliseconds, result.answer.milliseconds) ||
                 result.answer.milliseconds == 0) &&
                firstError.empty()) {
                firstError = std::string("invalid --timeout: ") + optarg + " (seconds, above 0, at most 3600)";
            }
        } else if (option == triesOption) {
            expectDetailGiven = true;
            if (!readTries(optarg, result.answer.tries) && firstError.empty()) {
                firstError = std::string("invalid --tries: ") + optarg + " (1 to 100)";
            }
        } else if (option == jsonOption) {
            result.json = true;
        } else if (option == invertOption) {
            result.inverted = true;
        } else if (option == sequenceOption) {
            std::string badStep;
            if (!reset::readSequence(optarg, result.sequence, badStep) && firstError.empty()) {
                firstError = "invalid step in --sequence: '" + badStep +
                             "' (D0, D1, R0, R1, U0,1 or a wait such as W0.05, separated by |)";
            }
        } else if (option == lineOption) {
            lineGiven = true;
            if (!readLines(optarg, result.lines) && firstError.empty()) {
                firstError = std::string("invalid line: ") + optarg + " (dtr, rts or both)";
            }
        } else if (firstError.empty()) {
            firstError = optionErrorText(option, typed);
        }
    }
    if (help) {
        result.request = Request::Help;
        return result;
    }
    if (version) {
        result.request = Request::Version;
        return result;
    }
    if (!firstError.empty()) {
        return failure(firstError);
    }
    const std::vector<std::string> operands(argv + optind, argv + argc);
    if (result.json && !list) {
        return failure("--json goes with --list");
    }
    if (list) {
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
    if (expectDetailGiven && !result.expect) {
        return failure("--baud, --timeout and --tries go with --expect");
    }
    if (result.expect && result.answer.baud == 0) {
        return failure("--expect needs --baud: the rate at which the board answers");
    }
    if (!result.sequence.empty() && (operands.size() == 2 || lineGiven || result.inverted)) {
        return failure("--sequence does not mix with WIDTH, --line or --invert");
    }
    result.port = operands[0];
    if (operands.size() == 2 && !readPulseWidth(operands[1], result.pulseWidth)) {
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
        "not answer. See korvane-reset(1) for wiring and troubleshooting.",
    };
}

std::vector<std::string> versionLines()
{
    return {versionLine(programName)};
}

}  // namespace korvane_reset
