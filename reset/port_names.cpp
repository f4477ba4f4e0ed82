#include "reset/port_names.h"

#include "reset/port_table.h"

namespace reset {

namespace {

const std::string devicePrefix = "/dev/";

// The device file that the kernel's drivers give a port of the legacy
// table: ttySn and cuan are /dev/ttySn, lpn is /dev/parportn.
std::string legacyDevice(const PortEntry& row)
{
    const char number = std::string(row.name).back();
    return (row.kind == PortKind::Serial ? "/dev/ttyS" : "/dev/parport") + std::string(1, number);
}

}  // namespace

PortTarget resolvePortName(const std::string& argument)
{
    if (argument == "null") {
        return PortTarget{true, ""};
    }
    if (argument.empty()) {
        return PortTarget{false, ""};  // names no file at all
    }
    // "/dev/null" is a path: only the table's ports are its devices.
    const int row = findPort(argument);
    if (row >= 0 && portTable[row].kind != PortKind::Null) {
        return PortTarget{false, legacyDevice(portTable[row])};
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

std::string noSuchPortText(const std::string& path)
{
    return "no such port: " + path;
}

std::string notModemPortText(const std::string& path)
{
    return "not a serial port with modem control lines: " + path;
}

}  // namespace reset
