#include "port_list.h"

#include <algorithm>

#include "digits.h"
#include "port_names.h"

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
bool describeTty(const TtyFacts& tty, std::string& description)
{
    if (!tty.hasDevice || (tty.hasUartType && trimmed(tty.uartType) == "0")) {
        return false;
    }
    if (!trimmed(tty.usbVendor).empty()) {
        description = "USB serial " + trimmed(tty.usbVendor) + ":" + trimmed(tty.usbProduct);
        const std::string product = trimmed(tty.usbProductName);
        if (!product.empty()) {
            description += " " + product;
        }
    } else if (tty.hasUartType) {
        description = "on-board UART";
    } else {
        description = "serial port";
    }
    return true;
}

bool byDevice(const ListedPort& left, const ListedPort& right)
{
    return naturalLess(left.device, right.device);
}

}  // namespace

bool naturalLess(const std::string& left, const std::string& right)
{
    size_t i = 0;
    size_t j = 0;
    while (i < left.size() && j < right.size()) {
        if (isDecimalDigit(left[i]) && isDecimalDigit(right[j])) {
            const size_t startLeft = i;
            const size_t startRight = j;
            while (i < left.size() && isDecimalDigit(left[i])) {
                ++i;
            }
            while (j < right.size() && isDecimalDigit(right[j])) {
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
        std::string description;
        if (describeTty(tty, description)) {
            serial.push_back(ListedPort{"/dev/" + tty.name, description});
        }
    }
    std::vector<ListedPort> parallel;
    for (const std::string& name : parallelNames) {
        parallel.push_back(ListedPort{"/dev/" + name, "parallel port"});
    }
    std::sort(serial.begin(), serial.end(), byDevice);
    std::sort(parallel.begin(), parallel.end(), byDevice);
    serial.insert(serial.end(), parallel.begin(), parallel.end());
    return serial;
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

std::string listLine(const ListedPort& port, const std::string& stableName, const AccessFacts& access)
{
    std::string accessText = "you may open it";
    if (!access.present) {
        accessText = "no device file";
    } else if (!access.mayOpen) {
        accessText = "no access (group " + (access.group.empty() ? std::string("unknown") : access.group) + ")";
    }
    return port.device + "\t" + (stableName.empty() ? "-" : stableName) + "\t" + port.description + "\t" +
           accessText;
}
