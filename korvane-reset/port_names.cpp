#include "korvane-reset/port_names.h"

namespace korvane_reset {

namespace {

const std::string devicePrefix = "/dev/";

struct LegacyName {
    const char* name;
    const char* device;
};

// quorvik's port table, by the device files that the kernel's drivers give
// the same ports.
const LegacyName legacyNames[] = {
    {"ttyS0", "/dev/ttyS0"},    {"ttyS1", "/dev/ttyS1"},    {"ttyS2", "/dev/ttyS2"},
    {"ttyS3", "/dev/ttyS3"},    {"cua0", "/dev/ttyS0"},     {"cua1", "/dev/ttyS1"},
    {"cua2", "/dev/ttyS2"},     {"cua3", "/dev/ttyS3"},     {"lp0", "/dev/parport0"},
    {"lp1", "/dev/parport1"},   {"lp2", "/dev/parport2"},
};

}  // namespace

PortTarget resolvePortName(const std::string& argument)
{
    if (argument == "null") {
        return PortTarget{true, ""};
    }
    if (argument.empty()) {
        return PortTarget{false, ""};  // names no file at all
    }
    std::string name = argument;
    if (name.compare(0, devicePrefix.size(), devicePrefix) == 0) {
        name.erase(0, devicePrefix.size());
    }
    for (const LegacyName& legacy : legacyNames) {
        if (name == legacy.name) {
            return PortTarget{false, legacy.device};
        }
    }
    if (argument.find('/') == std::string::npos) {
        return PortTarget{false, devicePrefix + argument};
    }
    return PortTarget{false, argument};
}

std::string baseName(const std::string& path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

DeviceUse judgeDevice(const DeviceFacts& facts)
{
    if (facts.kind == FileKind::Missing) {
        return DeviceUse::Missing;
    }
    if (facts.kind == FileKind::Unknown) {
        return DeviceUse::Serial;
    }
    if (facts.kind != FileKind::CharacterDevice) {
        return DeviceUse::NotAPort;
    }
    if (facts.sysfsClass == "ppdev") {
        return DeviceUse::Parallel;
    }
    if (facts.sysfsClass == "tty" || facts.sysfsClass.empty()) {
        return DeviceUse::Serial;
    }
    return DeviceUse::NotAPort;
}

}  // namespace korvane_reset
