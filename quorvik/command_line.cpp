#include "quorvik/command_line.h"

#include "common/pulse_width.h"
#include "common/texts.h"
#include "reset/port_table.h"

namespace quorvik {

namespace {

ArgumentOutcome failure(const std::string& text)
{
    return ArgumentOutcome{Request::Fail, common::cutText(text), -1, common::defaultPulseWidth};
}

}  // namespace

ArgumentOutcome readArguments(const std::vector<std::string>& arguments)
{
    if (arguments.empty()) {
        return ArgumentOutcome{Request::ShowUsage, "", -1, common::defaultPulseWidth};
    }
    // The count is checked first, so a third argument is named even when the
    // port name is wrong too.
    if (arguments.size() > 2) {
        return failure("too many parameters: " + common::cutText(arguments[2]));
    }
    const std::string portArgument = common::cutText(arguments[0]);
    const int portIndex = reset::findPort(portArgument);
    if (portIndex < 0) {
        return failure("illegal port name: " + portArgument);
    }
    uint16_t pulseWidth = common::defaultPulseWidth;
    if (arguments.size() == 2) {
        const std::string widthArgument = common::cutText(arguments[1]);
        if (!common::readPulseWidth(widthArgument, pulseWidth)) {
            return failure("invalid pulse-width: " + widthArgument);
        }
    }
    return ArgumentOutcome{Request::Run, "", portIndex, pulseWidth};
}

}  // namespace quorvik
