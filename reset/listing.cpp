#include "reset/listing.h"

#include <algorithm>

#include <nlohmann/json.hpp>

#include "common/digits.h"
#include "reset/port_names.h"
#include "reset/received_text.h"

namespace reset {

namespace {

std::string trimmed(const std::string& text)
{
    const char* blanks = " \t\r\n";
    const size_t first = text.find_first_not_of(blanks);
    if (first == std::string::npos) {
        return "";
    }
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

// Leaves out consoles, pseudo terminals and the legacy ttyS entries that the
// 8250 driver keeps for ports without a UART (type 0).
bool describeTty(const TtyFacts& tty, ListedPort& port)
{
    if (!tty.hasDevice || (tty.hasUartType && trimmed(tty.uartType) == "0")) {
        return false;
    }
    port = ListedPort{"/dev/" + tty.name, "", "serial port", "", "", ""};
    if (!trimmed(tty.usbVendor).empty()) {
        port.kind = "USB serial";
        port.usbVendor = trimmed(tty.usbVendor);
        port.usbProduct = trimmed(tty.usbProduct);
        port.productName = trimmed(tty.usbProductName);
        port.serialNumber = trimmed(tty.usbSerial);
        port.description = port.kind + " " + port.usbVendor + ":" + port.usbProduct +
                           (port.productName.empty() ? "" : " " + port.productName);
        return true;
    }
    if (tty.hasUartType) {
        port.kind = "on-board UART";
    }
    port.description = port.kind;
    return true;
}

std::string accessText(const AccessFacts& access)
{
    if (!access.present) {
        return "no device file";
    }
    if (!access.known) {
        return "access unknown: --list opens no port";
    }
    if (!access.mayOpen) {
        return "no access (group " + (access.group.empty() ? std::string("unknown") : access.group) + ")";
    }
    return "you may open it";
}

bool byDevice(const ListedPort& left, const ListedPort& right)
{
    return naturalLess(left.device, right.device);
}

// The four hexadecimal digits after `key` ("VID_") in an instance id, in
// lower case as Linux shows them; "" when they are not there.
std::string usbIdField(const std::string& instanceId, const std::string& key)
{
    const size_t at = instanceId.find(key);
    if (at == std::string::npos || instanceId.size() < at + key.size() + 4) {
        return "";
    }
    std::string digits;
    for (size_t i = at + key.size(); i < at + key.size() + 4; ++i) {
        if (common::hexDigitValue(instanceId[i]) < 0) {
            return "";
        }
        digits += "0123456789abcdef"[common::hexDigitValue(instanceId[i])];
    }
    return digits;
}

// The last part of "USB\VID_0403&PID_6001\A1B2C3": Windows makes up a part
// with "&" in it for a device without a serial number.
std::string usbSerialOf(const std::string& instanceId)
{
    const size_t slash = instanceId.rfind('\\');
    if (slash == std::string::npos || instanceId.find('\\') == slash) {
        return "";
    }
    const std::string last = instanceId.substr(slash + 1);
    return last.find('&') == std::string::npos ? last : "";
}

// "USB Serial Port (COM7)" without its " (COM7)".
std::string withoutPortName(const std::string& friendlyName, const std::string& name)
{
    const std::string suffix = " (" + name + ")";
    if (friendlyName.size() > suffix.size() &&
        friendlyName.compare(friendlyName.size() - suffix.size(), suffix.size(), suffix) == 0) {
        return friendlyName.substr(0, friendlyName.size() - suffix.size());
    }
    return friendlyName;
}

}  // namespace

bool naturalLess(const std::string& left, const std::string& right)
{
    size_t i = 0;
    size_t j = 0;
    while (i < left.size() && j < right.size()) {
        if (common::isDecimalDigit(left[i]) && common::isDecimalDigit(right[j])) {
            const size_t startLeft = i;
            const size_t startRight = j;
            while (i < left.size() && common::isDecimalDigit(left[i])) {
                ++i;
            }
            while (j < right.size() && common::isDecimalDigit(right[j])) {
                ++j;
            }
            const std::string a = left.substr(startLeft, i - startLeft);
            const std::string b = right.substr(startRight, j - startRight);
            if (a != b) {
                return a.size() != b.size() ? a.size() < b.size() : a < b;
            }
        } else if (left[i] != right[j]) {
            return left[i] < right[j];
        } else {
            ++i;
            ++j;
        }
    }
    return left.size() - i < right.size() - j;
}

std::vector<ListedPort> portsToList(const std::vector<TtyFacts>& ttys, const std::vector<std::string>& parallelNames)
{
    std::vector<ListedPort> serial;
    for (const TtyFacts& tty : ttys) {
        ListedPort port;
        if (describeTty(tty, port)) {
            serial.push_back(port);
        }
    }
    std::vector<ListedPort> parallel;
    for (const std::string& name : parallelNames) {
        parallel.push_back(ListedPort{"/dev/" + name, "parallel port", "parallel port", "", "", ""});
    }
    std::sort(serial.begin(), serial.end(), byDevice);
    std::sort(parallel.begin(), parallel.end(), byDevice);
    serial.insert(serial.end(), parallel.begin(), parallel.end());
    return serial;
}

std::vector<ListedPort> comPortsToList(const std::vector<ComPortFacts>& ports)
{
    std::vector<ListedPort> listed;
    for (const ComPortFacts& facts : ports) {
        ListedPort port{facts.name, "", "serial port", "", "", ""};
        const std::string name = trimmed(withoutPortName(facts.friendlyName, facts.name));
        port.usbVendor = usbIdField(facts.usbInstanceId, "VID_");
        port.usbProduct = usbIdField(facts.usbInstanceId, "PID_");
        if (!port.usbVendor.empty() && !port.usbProduct.empty()) {
            port.kind = "USB serial";
            port.productName = name;
            port.serialNumber = usbSerialOf(facts.usbInstanceId);
            port.description = port.kind + " " + port.usbVendor + ":" + port.usbProduct;
        } else {
            port.usbVendor.clear();
            port.usbProduct.clear();
            port.description = port.kind;
        }
        port.description += name.empty() ? "" : " " + name;
        listed.push_back(port);
    }
    std::sort(listed.begin(), listed.end(), byDevice);
    return listed;
}

survey::Adapter rateMakerOf(const std::string& usbVendor, bool standardUart)
{
    std::string vendor = trimmed(usbVendor);
    for (char& c : vendor) {
        c = common::lowerCaseLetter(c);
    }
    if (vendor == "0403") {
        return survey::Adapter::Ftdi;
    }
    if (vendor == "1a86") {
        return survey::Adapter::Ch340;
    }
    return vendor.empty() && standardUart ? survey::Adapter::Uart16550 : survey::Adapter::Exact;
}

survey::Adapter comPortRateMaker(const ComPortFacts& facts)
{
    const std::vector<ListedPort> listed = comPortsToList({facts});
    const bool communicationsPort = facts.friendlyName.rfind("Communications Port", 0) == 0;
    return rateMakerOf(listed.front().usbVendor, communicationsPort);
}

std::string stableNameFor(const std::string& device, const std::vector<StableLink>& links)
{
    for (const StableLink& link : links) {
        if (baseName(link.target) == baseName(device)) {
            return link.path;
        }
    }
    return "";
}

std::string listLine(const PortListing& listing)
{
    using reset::escapedLine;
    return escapedLine(listing.port.device) + "\t" +
           escapedLine(listing.stableName.empty() ? "-" : listing.stableName) + "\t" +
           escapedLine(listing.port.description) + "\t" + escapedLine(accessText(listing.access));
}

std::string listJson(const std::vector<PortListing>& listings)
{
    using Json = nlohmann::ordered_json;
    const auto textOrNull = [](const std::string& text) { return text.empty() ? Json(nullptr) : Json(text); };
    Json ports = Json::array();
    for (const PortListing& listing : listings) {
        Json port;
        port["device"] = listing.port.device;
        port["by_id"] = textOrNull(listing.stableName);
        port["kind"] = listing.port.kind;
        port["usb_vendor"] = textOrNull(listing.port.usbVendor);
        port["usb_product"] = textOrNull(listing.port.usbProduct);
        port["product"] = textOrNull(listing.port.productName);
        port["access"] = accessText(listing.access);
        port["may_open"] = listing.access.known ? Json(listing.access.present && listing.access.mayOpen) : Json(nullptr);
        port["serial"] = textOrNull(listing.port.serialNumber);
        ports.push_back(port);
    }
    // Names from sysfs and /dev are not always UTF-8, and not always free of
    // what a terminal takes for a command.
    return ports.dump(2, ' ', true, Json::error_handler_t::replace);
}

std::vector<std::string> listLines(const std::vector<PortListing>& listings, bool json)
{
    if (json) {
        return {listJson(listings)};
    }
    std::vector<std::string> lines;
    for (const PortListing& listing : listings) {
        lines.push_back(listLine(listing));
    }
    return lines.empty() ? std::vector<std::string>{"no serial or parallel ports found"} : lines;
}

}  // namespace reset
