// The argument phase of quorvik on a fuzzed command line: what it selects
// is a row of the port table and a pulse width in range, and every error is
// one framed line.
#include "common/pulse_width.h"
#include "fuzz_support.h"
#include "quorvik/command_line.h"
#include "quorvik/messages.h"
#include "reset/port_table.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::vector<std::string> arguments = argumentsOf(data, size);
    const quorvik::ArgumentOutcome outcome = quorvik::readArguments(arguments);
    switch (outcome.request) {
    case quorvik::Request::ShowUsage:
        FUZZ_CHECK(arguments.empty(), "usage screen only without arguments");
        FUZZ_CHECK(quorvik::usageLines().size() == 10, "usage screen");
        break;
    case quorvik::Request::Fail:
        FUZZ_CHECK(!arguments.empty(), "an error needs an argument");
        checkErrorLine(quorvik::errorLine(outcome.errorText), argumentLimit);  // the whole message is cut
        break;
    case quorvik::Request::Run: {
        FUZZ_CHECK(arguments.size() == 1 || arguments.size() == 2, "one or two arguments");
        FUZZ_CHECK(outcome.portIndex >= 0 && outcome.portIndex < reset::portCount, arguments[0]);
        const std::string name = reset::portTable[outcome.portIndex].name;
        FUZZ_CHECK(arguments[0] == name || arguments[0] == "/dev/" + name, arguments[0]);
        FUZZ_CHECK(outcome.pulseWidth >= 1, "pulse width");
        FUZZ_CHECK(arguments.size() == 2 || outcome.pulseWidth == common::defaultPulseWidth, "default pulse width");
        break;
    }
    }
    return 0;
}
