#include "quorvik/messages.h"

#include "common/texts.h"
#include "reset/port_table.h"

namespace quorvik {

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

std::string errorLine(const std::string& text)
{
    return common::framedErrorLine(common::cutText(text));
}

std::string resolutionErrorText(ResolutionOutcome outcome, int portIndex)
{
    const std::string device = std::string("/dev/") + reset::portTable[portIndex].name;
    switch (outcome) {
    case ResolutionOutcome::NotFound:
        return "port not found: " + device;
    case ResolutionOutcome::AccessDenied:
        return "access denied: " + device;
    case ResolutionOutcome::InvalidBase:
        return "invalid base address: " + device;
    case ResolutionOutcome::Found:
        break;
    }
    return "";
}

std::string noIoPortsText(int portIndex)
{
    return std::string("I/O ports exist only on x86 PCs: use korvane-reset ") + reset::portTable[portIndex].name +
           ", which resets through the kernel's drivers";
}

std::string hardwareFailureText(int portIndex)
{
    return std::string("hardware failure: ") + reset::portTable[portIndex].name;
}

}  // namespace quorvik
