#include "command_line.h"

#include <getopt.h>

#include "number_text.h"
#include "options.h"

namespace {

constexpr int adapterOption = 1000;
constexpr int jsonOption = 1001;

const option longOptions[] = {
    {"clock", required_argument, nullptr, 'c'},
    {"rate", required_argument, nullptr, 'r'},
    {"generator", required_argument, nullptr, 'g'},
    {"accuracy", required_argument, nullptr, 'a'},
    {"adapter", required_argument, nullptr, adapterOption},
    {"json", no_argument, nullptr, jsonOption},
    {"help", no_argument, nullptr, 'h'},
    {"version", no_argument, nullptr, 'V'},
    {nullptr, 0, nullptr, 0},
};

// The items of a comma-separated list; false for an empty list or item.
bool splitList(const std::string& text, std::vector<std::string>& items)
{
    size_t start = 0;
    while (true) {
        const size_t comma = text.find(',', start);
        const std::string item = text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        if (item.empty()) {
            return false;
        }
        items.push_back(item);
        if (comma == std::string::npos) {
            return true;
        }
        start = comma + 1;
    }
}

// Why `item` of the option's value is no clock (MHz, stored in Hz), or "".
std::string readClock(const std::string& item, double& clock)
{
    double megahertz = 0.0;
    if (!parseReal(item, megahertz)) {
        return item + " is not a number";
    }
    if (!clockFromMegahertz(megahertz, clock) || !(megahertz <= maxClockMegahertz)) {
        return item + " is out of range (above 0, at most " + fixedText(maxClockMegahertz, 0, 0) + " MHz)";
    }
    return "";
}

std::string readRate(const std::string& item, double& rate)
{
    if (!parseReal(item, rate)) {
        return item + " is not a number";
    }
    if (!isBaudrateInRange(rate) || !(rate <= maxRate)) {
        return item + " is out of range (above 0, at most " + fixedText(maxRate, 0, 0) + " Baud)";
    }
    return "";
}

std::string readGenerator(const std::string& item, GeneratorKind& generator)
{
    return findGenerator(item, generator) ? "" : item + " is no generator (T1, T2, BG, BA or D1)";
}

// Reads every item of a list option into `values`; the error text names the
// option and the value as typed.
template <typename Value, typename ReadItem>
std::string readList(const char* name, const std::string& text, std::vector<Value>& values, ReadItem readItem)
{
    std::vector<std::string> items;
    if (!splitList(text, items)) {
        return std::string("--") + name + " '" + text + "': an empty item";
    }
    for (const std::string& item : items) {
        Value value{};
        const std::string why = readItem(item, value);
        if (!why.empty()) {
            return std::string("--") + name + " '" + text + "': " + why;
        }
        values.push_back(value);
    }
    return "";
}

std::string readAccuracy(const std::string& text, double& accuracy)
{
    double percent = 0.0;
    if (!parseReal(text, percent)) {
        return "--accuracy '" + text + "': not a number";
    }
    if (!accuracyFromPercent(percent, accuracy)) {
        return "--accuracy '" + text + "': out of range (0 to 5 %)";
    }
    return "";
}

CommandLine failure(const std::string& text)
{
    return CommandLine{Request::Fail, text + "; try '" + programName + " --help'", SurveyRequest{}, false};
}

}  // namespace

CommandLine readCommandLine(int argc, char* argv[])
{
    CommandLine result{Request::Run, "", SurveyRequest{{}, {}, {}, defaultAccuracy, Adapter::Exact}, false};
    bool help = false;
    bool version = false;
    bool clockGiven = false;
    bool rateGiven = false;
    std::string firstError;
    const auto keep = [&firstError](const std::string& error) {
        if (firstError.empty()) {
            firstError = error;
        }
    };

    // 0 starts getopt afresh; ":" first tells a missing value from an unknown
    // option, and opterr = 0 keeps getopt's own messages off standard error.
    optind = 0;
    opterr = 0;
    int option = 0;
    while ((option = getopt_long(argc, argv, ":c:r:g:a:hV", longOptions, nullptr)) != -1) {
        const std::string typed = argv[optind - 1] != nullptr ? argv[optind - 1] : "";
        switch (option) {
        case 'c':
            clockGiven = true;
            keep(readList("clock", optarg, result.survey.clocks, readClock));
            break;
        case 'r':
            rateGiven = true;
            keep(readList("rate", optarg, result.survey.rates, readRate));
            break;
        case 'g':
            keep(readList("generator", optarg, result.survey.generators, readGenerator));
            break;
        case 'a':
            keep(readAccuracy(optarg, result.survey.accuracy));
            break;
        case adapterOption:
            if (!findAdapter(optarg, result.survey.adapter)) {
                keep(std::string("--adapter '") + optarg + "': no such adapter (exact, 16550, ftdi or ch340)");
            }
            break;
        case jsonOption:
            result.json = true;
            break;
        case 'h':
            help = true;
            break;
        case 'V':
            version = true;
            break;
        default:
            keep(optionErrorText(option, typed));
            break;
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
    if (optind < argc) {
        return failure(std::string("unexpected argument: ") + argv[optind]);
    }
    if (!clockGiven && !rateGiven) {
        return failure("give the clocks to survey (--clock) or the rates to find crystals for (--rate)");
    }
    if (!rateGiven) {
        result.survey.rates = standardRates();
    }
    if (result.survey.generators.empty()) {
        for (int index = 0; index < generatorCount; ++index) {
            result.survey.generators.push_back(static_cast<GeneratorKind>(index));
        }
    }
    return result;
}

std::vector<std::string> commandHelpLines()
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

std::vector<std::string> versionLines()
{
    return {versionLine(programName)};
}
