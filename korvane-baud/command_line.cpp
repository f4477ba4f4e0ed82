#include "korvane-baud/command_line.h"

#include "common/command_line_frame.h"
#include "survey/request_text.h"

namespace korvane_baud {

namespace {

enum class Option { Clock, Rate, Generator, Accuracy, Adapter, Json };

// In the order of Option.
const std::vector<common::OptionEntry> options = {
    {"clock", 'c', true}, {"rate", 'r', true},     {"generator", 'g', true},
    {"accuracy", 'a', true}, {"adapter", 0, true}, {"json", 0, false},
};

CommandLine failure(const std::string& text)
{
    CommandLine result;
    result.request = Request::Fail;
    result.errorText = text;
    return result;
}

}  // namespace

CommandLine readCommandLine(int argc, char* argv[])
{
    CommandLine result;
    bool clocksGiven = false;
    bool ratesGiven = false;
    const common::OptionsRead read = common::readOptions(programName, argc, argv, options, [&](size_t option, const std::string& value) {
        switch (static_cast<Option>(option)) {
        case Option::Clock:
            clocksGiven = true;
            return survey::readClocks(value, result.survey);
        case Option::Rate:
            ratesGiven = true;
            return survey::readRates(value, result.survey);
        case Option::Generator:
            return survey::readGenerators(value, result.survey);
        case Option::Accuracy:
            return survey::readAccuracy(value, result.survey);
        case Option::Adapter:
            return survey::readAdapter(value, result.survey);
        case Option::Json:
            result.json = true;
            break;
        }
        return std::string();
    });
    switch (read.end) {
    case common::CommandEnd::Help:
        result.request = Request::Help;
        return result;
    case common::CommandEnd::Version:
        result.request = Request::Version;
        return result;
    case common::CommandEnd::Fail:
        return failure(read.errorText);
    case common::CommandEnd::Operands:
        break;
    }
    if (!read.operands.empty()) {
        return failure(common::usageErrorText(programName, "unexpected argument: " + read.operands.front()));
    }
    const std::string incomplete = survey::completeRequest(clocksGiven, ratesGiven, result.survey);
    if (!incomplete.empty()) {
        return failure(common::usageErrorText(programName, incomplete));
    }
    return result;
}

std::vector<std::string> helpLines()
{
    return {
        "Usage: korvane-baud --clock=MHZ[,MHZ...] [OPTIONS]",
        "       korvane-baud --rate=BAUD[,BAUD...] [OPTIONS]",
        "Shows which baud rates each 8051 generator makes at a clock, or which",
        "standard crystals serve the rates asked, with the settings of korvane.inc",
        "computed as mardeluk computes them, and whether the PC's side keeps up.",
        "",
        "  -c, --clock=MHZ,...       every generator at these clocks, for the standard",
        "                            rates 300 to 115200 or the rates of --rate",
        "  -r, --rate=BAUD,...       without --clock: the standard crystals whose",
        "                            generator meets the accuracy at every rate, best",
        "                            first",
        "  -g, --generator=CODE,...  only these generators: T1, T2, BG, BA, D1",
        "  -a, --accuracy=PERCENT    the required accuracy, 0 to 5 (default 1)",
        "      --adapter=KIND        the PC's side: exact (default), 16550, ftdi or",
        "                            ch340, with the link error and the margin that",
        "                            a receiver leaves in 10-bit and 11-bit frames",
        "      --json                the answer as one JSON document",
        "  -h, --help                show this help and exit",
        "  -V, --version             show the version and exit",
        "",
        "Clocks and rates take mardeluk's number forms (9600, 9.6e3, 11.0592).",
        "Exit status: 0 when every rate is met within the accuracy by some clock",
        "and generator, 2 when one is not, 1 after an error. See korvane-baud(1).",
    };
}

}  // namespace korvane_baud
