#include "reset/port_table.h"

namespace reset {

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

int findPort(const std::string& argument)
{
    const std::string devicePrefix = "/dev/";
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

}  // namespace reset
