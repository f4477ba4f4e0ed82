#include "command_line.h"

#include "port_table.h"
#include "pulse_width.h"
#include "texts.h"

namespace {

ArgumentOutcome failure(const std::string& text)
{
    return ArgumentOutcome{Request::Fail, cutText(text), -1, defaultPulseWidth};
}

}  // namespace

ArgumentOutcome readArguments(const std::vector<std::string>& arguments)
{
    if (arguments.empty()) {
        return ArgumentOutcome{Request::ShowUsage, "", -1, defaultPulseWidth};
    }
    // The count is checked first, so a third argument is named even when the
    // port name is wrong too.
    if (arguments.size() > 2) {
        return failure("too many parameters: " + cutText(arguments[2]));
    }
    const std::string portArgument = cutText(arguments[0]);
    const int portIndex = findPort(portArgument);
    if (portIndex < 0) {
        return failure("illegal port name: " + portArgument);
    }
    uint16_t pulseWidth = defaultPulseWidth;
    if (arguments.size() == 2) {
        const std::string widthArgument = cutText(arguments[1]);
        if (!readPulseWidth(widthArgument, pulseWidth)) {
            return failure("invalid pulse-width: " + widthArgument);
        }
    }
    return ArgumentOutcome{Request::Run, "", portIndex, pulseWidth};
}
