#include "reset/port_inventory_linux.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include "reset/port.h"

namespace reset {

namespace {

constexpr size_t sysfsReadLimit = 4096;

std::string linkText(const std::string& path)
{
    char target[4096];
    const ssize_t length = readlink(path.c_str(), target, sizeof target);
    return length > 0 ? std::string(target, static_cast<size_t>(length)) : "";
}

bool exists(const std::string& path)
{
    return access(path.c_str(), F_OK) == 0;
}

// A small sysfs attribute; "" when it cannot be read.
std::string fileText(const std::string& path)
{
    const int file = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (file < 0) {
        return "";
    }
    char buffer[sysfsReadLimit];
    ssize_t length = 0;
    do {
        length = read(file, buffer, sizeof buffer);
    } while (length < 0 && errno == EINTR);
    close(file);
    return length > 0 ? std::string(buffer, static_cast<size_t>(length)) : "";
}

std::vector<std::string> folderEntries(const std::string& folder)
{
    std::vector<std::string> names;
    DIR* directory = opendir(folder.c_str());
    if (directory == nullptr) {
        return names;
    }
    while (const dirent* entry = readdir(directory)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") {
            names.push_back(name);
        }
    }
    closedir(directory);
    std::sort(names.begin(), names.end());
    return names;
}

std::string groupName(gid_t group)
{
    std::vector<char> buffer(4096);
    struct group entry {};
    struct group* found = nullptr;
    if (getgrgid_r(group, &entry, buffer.data(), buffer.size(), &found) != 0 || found == nullptr) {
        return "";
    }
    return found->gr_name;
}

// Walks up from the tty's device in sysfs to the USB device it belongs to.
void addUsbFacts(const std::string& deviceLink, TtyFacts& tty)
{
    char resolved[PATH_MAX];
    if (realpath(deviceLink.c_str(), resolved) == nullptr) {
        return;
    }
    for (std::string folder = resolved; folder.size() > std::string("/sys/devices").size();
         folder = folder.substr(0, folder.rfind('/'))) {
        if (exists(folder + "/idVendor")) {
            tty.usbVendor = fileText(folder + "/idVendor");
            tty.usbProduct = fileText(folder + "/idProduct");
            tty.usbProductName = fileText(folder + "/product");
            tty.usbSerial = fileText(folder + "/serial");
            return;
        }
    }
}

TtyFacts ttyFacts(const std::string& name)
{
    const std::string folder = "/sys/class/tty/" + name;
    TtyFacts tty{name, exists(folder + "/device"), exists(folder + "/type"), "", "", "", ""};
    if (tty.hasUartType) {
        tty.uartType = fileText(folder + "/type");
    }
    if (tty.hasDevice) {
        addUsbFacts(folder + "/device", tty);
    }
    return tty;
}

AccessFacts accessFacts(const std::string& device)
{
    struct stat status {};
    if (stat(device.c_str(), &status) != 0) {
        return AccessFacts{false, false, ""};
    }
    const bool mayOpen = faccessat(AT_FDCWD, device.c_str(), R_OK | W_OK, AT_EACCESS) == 0;
    return AccessFacts{true, mayOpen, groupName(status.st_gid)};
}

}  // namespace

DeviceFacts deviceFacts(const std::string& path)
{
    struct stat status {};
    if (stat(path.c_str(), &status) != 0) {
        const bool missing = errno == ENOENT || errno == ENOTDIR;
        return DeviceFacts{missing ? FileKind::Missing : FileKind::Unknown, ""};
    }
    if (!S_ISCHR(status.st_mode)) {
        return DeviceFacts{FileKind::Other, ""};
    }
    const std::string sysfsEntry = "/sys/dev/char/" + std::to_string(major(status.st_rdev)) + ":" +
                                   std::to_string(minor(status.st_rdev));
    const std::string subsystem = linkText(sysfsEntry + "/subsystem");
    return DeviceFacts{FileKind::CharacterDevice, subsystem.empty() ? "" : baseName(subsystem)};
}

DeviceOwner deviceOwner(const std::string& path)
{
    struct stat status {};
    if (stat(path.c_str(), &status) != 0) {
        return DeviceOwner{"", false};
    }
    return DeviceOwner{groupName(status.st_gid), (status.st_mode & (S_IRGRP | S_IWGRP)) == (S_IRGRP | S_IWGRP)};
}

survey::Adapter portRateMaker(const std::string& path)
{
    struct stat status {};
    if (stat(path.c_str(), &status) != 0 || !S_ISCHR(status.st_mode)) {
        return survey::Adapter::Exact;
    }
    // The serial core's UARTs show their clock; USB adapters their vendor.
    const std::string entry = "/sys/dev/char/" + std::to_string(major(status.st_rdev)) + ":" +
                              std::to_string(minor(status.st_rdev));
    TtyFacts tty{};
    addUsbFacts(entry + "/device", tty);
    const std::string clock = fileText(entry + "/uartclk");
    return rateMakerOf(tty.usbVendor, clock.substr(0, clock.find('\n')) == "1843200");
}

std::vector<PortListing> listedPorts()
{
    std::vector<TtyFacts> ttys;
    for (const std::string& name : folderEntries("/sys/class/tty")) {
        ttys.push_back(ttyFacts(name));
    }
    std::vector<StableLink> links;
    for (const std::string& name : folderEntries("/dev/serial/by-id")) {
        const std::string path = "/dev/serial/by-id/" + name;
        links.push_back(StableLink{path, linkText(path)});
    }
    std::vector<PortListing> listings;
    for (const ListedPort& port : portsToList(ttys, folderEntries("/sys/class/ppdev"))) {
        listings.push_back(PortListing{port, stableNameFor(port.device, links), accessFacts(port.device)});
    }
    return listings;
}

}  // namespace reset
