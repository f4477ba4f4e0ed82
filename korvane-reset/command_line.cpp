#include "korvane-reset/command_line.h"

#include "common/command_line_frame.h"

namespace korvane_reset {

namespace {

// --list and --json, then the reset's options in their own order.
constexpr size_t listOption = 0;
constexpr size_t jsonOption = 1;
constexpr size_t firstResetOption = 2;

std::vector<common::OptionEntry> optionTable()
{
    std::vector<common::OptionEntry> table = {{"list", 'l', false}, {"json", 0, false}};
    for (const reset::Option option : reset::everyOption) {
        table.push_back({reset::optionName(option), 0, reset::optionTakesValue(option)});
    }
    return table;
}

CommandLine failure(const std::string& text)
{
    CommandLine result;
    result.request = Request::Fail;
    result.errorText = common::usageErrorText(programName, text);
    return result;
}

}  // namespace

CommandLine readCommandLine(int argc, char* argv[])
{
    CommandLine result;
    bool list = false;
    const auto read = [&](size_t option, const std::string& value) -> std::string {
        if (option == listOption) {
            list = true;
        } else if (option == jsonOption) {
            result.json = true;
        } else {
            return reset::readOption(reset::everyOption[option - firstResetOption], value, result.options);
        }
        return "";
    };
    const common::OptionsRead options = common::readOptions(programName, argc, argv, optionTable(), read);
    switch (options.end) {
    case common::CommandEnd::Help:
        result.request = Request::Help;
        return result;
    case common::CommandEnd::Version:
        result.request = Request::Version;
        return result;
    case common::CommandEnd::Fail:
        result.request = Request::Fail;
        result.errorText = options.errorText;
        return result;
    case common::CommandEnd::Operands:
        break;
    }
    const std::vector<std::string>& operands = options.operands;
    if (result.json && !list && !result.options.probe) {
        return failure("--json goes with --list or --probe");
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
    const std::string error = reset::completeOptions(
        result.options, operands.size() == 2 ? std::optional<std::string>(operands[1]) : std::nullopt);
    if (!error.empty()) {
        return failure(error);
    }
    result.port = operands[0];
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
        "      --baud=RATE          the line's rate for --expect, in Baud; with --probe",
        "                           a list RATE,RATE,... of the rates to try",
        "      --timeout=SECONDS    how long to wait from the release (default 2;",
        "                           0.5 with --probe)",
        "      --tries=N            how often to reset and wait at most (default 1)",
        "      --probe              for a board that does not answer: tries the",
        "                           wirings (DTR, RTS, direct and inverted) and then",
        "                           the rates, one reset each, until TEXT comes, then",
        "                           the window of rates where it decodes; shows each",
        "                           try and ends with the wiring, the rate, the window,",
        "                           the crystals that fit and the command that does it",
        "                           again; needs --expect",
        "      --inc=FILE           with --probe: the korvane.inc whose rate and",
        "                           crystal the board is held against (default",
        "                           ./korvane.inc where there is one)",
        "  -l, --list               list this machine's serial and parallel ports",
        "      --json               with --list: the list as one JSON array; with",
        "                           --probe: the verdict as one JSON object",
        "  -h, --help               show this help and exit",
        "  -V, --version            show the version and exit",
        "",
        "A board that stays silent: start with --probe --expect=TEXT PORT.",
        "",
        "A run that succeeds prints nothing but the board's answer. Exit status: 0",
        "after the pulse (and the answer), 1 after an error, 3 when the board did",
        "not answer (with --probe: was not found), 4 when its answer could not be",
        "written. See korvane-reset(1) for wiring and troubleshooting.",
    };
}

}  // namespace korvane_reset
