// The whole parameter phase of mardeluk on a fuzzed command line, and every
// text that a run would print or write after it, without touching any file.
#include <cmath>

#include "calculator/generator_models.h"
#include "calculator/include_file.h"
#include "calculator/parameters.h"
#include "calculator/report.h"
#include "fuzz_support.h"

namespace {

// Printable ASCII, and tabs only where the include file puts them.
void checkPlainLine(const std::string& line, bool tabsAllowed)
{
    for (char c : line) {
        FUZZ_CHECK((c >= 0x20 && c < 0x7F) || (tabsAllowed && c == '\t'), line);
    }
    FUZZ_CHECK(line.empty() || (line.back() != ' ' && line.back() != '\t'), line);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::vector<std::string> parameters = argumentsOf(data, size);
    if (parameters.empty()) {
        FUZZ_CHECK(calculator::helpLines().size() == 21, "help screen");
        return 0;
    }
    const calculator::ParameterOutcome outcome = calculator::readParameters(parameters);
    if (outcome.status != calculator::StatusCode::Ok) {
        FUZZ_CHECK(outcome.parameterNumber >= 1 && outcome.parameterNumber <= 7, "parameter number");
        FUZZ_CHECK(static_cast<size_t>(outcome.parameterNumber) <= parameters.size(), "parameter number");
        // The argument, already cut when it was read, stands whole in the line.
        const std::string& parameter = parameters[static_cast<size_t>(outcome.parameterNumber - 1)];
        const std::string line = calculator::parameterErrorLine(outcome.status, parameter);
        checkErrorLine(line, std::string(calculator::statusMessage(outcome.status)).size() + 2 + argumentLimit);
        FUZZ_CHECK(line == "@@@@@ " + std::string(calculator::statusMessage(outcome.status)) + ": " + parameter + " @@@@@", line);
        return 0;
    }

    // Whatever the program goes on with is finite and within its range.
    const calculator::BaudSettings& settings = outcome.settings;
    FUZZ_CHECK(std::isfinite(settings.baudrate) && settings.baudrate > 0.0, parameters[0]);
    FUZZ_CHECK(std::isfinite(settings.clock) && settings.clock > 0.0, "clock");
    FUZZ_CHECK(settings.accuracy >= 0.0 && settings.accuracy <= 0.05, "accuracy");
    for (const std::string& line : calculator::settingsLines(settings)) {
        checkPlainLine(line, false);
    }

    const calculator::Calculation calculation = calculator::calculateSettings(settings);
    const calculator::BaudResult& result = calculation.result;
    if (calculation.status == calculator::StatusCode::CannotGenerate) {
        checkErrorLine(calculator::calculationErrorLine(calculation.status, result.deviation), argumentLimit);
        return 0;
    }
    // The limit is the double nearest to 0.1, a little above one tenth.
    FUZZ_CHECK(result.deviation <= 0.1, "a successful model stays within its limit");
    if (calculation.status == calculator::StatusCode::InsufficientAccuracy) {
        FUZZ_CHECK(result.deviation >= settings.accuracy, "only a larger deviation is insufficient");
        checkErrorLine(calculator::calculationErrorLine(calculation.status, result.deviation), argumentLimit);
        return 0;
    }
    FUZZ_CHECK(calculation.status == calculator::StatusCode::Ok && result.deviation <= settings.accuracy, "accuracy judged");
    checkPlainLine(calculator::resultLine(result.resultingBaud, result.deviation), false);

    static const std::regex constant("\t[A-Z0-9]+ +(EQU|CODE) ([0-9]|0[0-9A-F]{1,4}H)(\t;.*)?");
    for (const std::string& line : calculator::includeFileLines(settings, result)) {
        checkPlainLine(line, true);
        FUZZ_CHECK(line.empty() || line.compare(0, 2, "\t;") == 0 || std::regex_match(line, constant), line);
    }
    return 0;
}
