#include "command_line.h"

#include "pulse_width.h"

const PortEntry portTable[portCount] = {
    {"ttyS0", PortKind::Serial, 0x3F8},
    {"ttyS1", PortKind::Serial, 0x2F8},
    {"ttyS2", PortKind::Serial, 0x3E8},
    {"ttyS3", PortKind::Serial, 0x2E8},
    {"lp0", PortKind::Parallel, 0x3BC},
    {"lp1", PortKind::Parallel, 0x378},
    {"lp2", PortKind::Parallel, 0x278},
    {"cua0", PortKind::Serial, 0x3F8},
    {"cua1", PortKind::Serial, 0x2F8},
    {"cua2", PortKind::Serial, 0x3E8},
    {"cua3", PortKind::Serial, 0x2E8},
    {"null", PortKind::Null, 0x000},
};

namespace {

const std::string devicePrefix = "/dev/";

ArgumentOutcome failure(const std::string& text)
{
    return ArgumentOutcome{Request::Fail, cutText(text), -1, defaultPulseWidth};
}

}  // namespace

std::string cutText(const std::string& text)
{
    return text.size() > maxTextLength ? text.substr(0, maxTextLength) : text;
}

int findPort(const std::string& argument)
{
    std::string name = argument;
    if (name.compare(0, devicePrefix.size(), devicePrefix) == 0) {
        name.erase(0, devicePrefix.size());
    }
    for (int index = 0; index < portCount; ++index) {
        if (name == portTable[index].name) {
            return index;
        }
    }
    return -1;
}

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

std::vector<std::string> usageLines()
{
    return {
        "",
        "usage:        quorvik /dev/<port> [<pulsewidth>]",
        "",
        "              <port> :        lp0,   lp1,   lp2,",
        "                              ttyS0, ttyS1, ttyS2, ttyS3,",
        "                              cua0,  cua1,  cua2,  cua3,",
        "                              null",
        "",
        "              <pulsewidth> :  1 .. 65535 ms,   default: 50 ms",
        "",
    };
}

// quorvik cuts the whole message to the text limit, so its lines never
// exceed it; mardeluk, unlike this, shows a cut argument whole.
std::string errorLine(const std::string& text)
{
    return "@@@@@ " + cutText(text) + " @@@@@";
}

std::string resolutionErrorText(PortKind kind, int portIndex)
{
    const std::string device = devicePrefix + portTable[portIndex].name;
    switch (kind) {
    case PortKind::NotFound:
        return "port not found: " + device;
    case PortKind::AccessDenied:
        return "access denied: " + device;
    case PortKind::InvalidBase:
        return "invalid base address: " + device;
    default:
        return "";
    }
}

std::string noIoPortsText(int portIndex)
{
    return std::string("I/O ports exist only on x86 PCs: use korvane-reset ") + portTable[portIndex].name +
           ", which resets through the kernel's drivers";
}

std::string hardwareFailureText(int portIndex)
{
    return std::string("hardware failure: ") + portTable[portIndex].name;
}
