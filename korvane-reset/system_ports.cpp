#include "korvane-reset/system_ports.h"

#include <algorithm>
#include <climits>
#include <cerrno>
#include <csignal>
#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <linux/ppdev.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/time.h>
#include <time.h>
#include <termios.h>
#include <unistd.h>

#include "korvane-reset/line_settings.h"
#include "korvane-reset/port_list.h"
#include "millisecond_wait.h"

namespace korvane_reset {

// The core counts the modem lines as the kernel does, on every architecture.
static_assert(reset::dtrLine == TIOCM_DTR && reset::rtsLine == TIOCM_RTS, "modem line bits");

namespace {

constexpr int claimTimeoutMicroseconds = 1'000'000;
constexpr size_t sysfsReadLimit = 4096;

int errorOf(int result)
{
    return result == 0 ? 0 : errno;
}

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

volatile std::sig_atomic_t claimTimedOut = 0;

void noteClaimTimeout(int)
{
    claimTimedOut = 1;
}

int modemLinesCheck(int descriptor)
{
    int lines = 0;
    return errorOf(ioctl(descriptor, TIOCMGET, &lines));
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

int openPort(const std::string& path, int& descriptor)
{
    descriptor = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    return descriptor < 0 ? errno : 0;
}

int SerialIoctls::readModemLines(int& lines)
{
    return errorOf(ioctl(descriptor_, TIOCMGET, &lines));
}

int SerialIoctls::readHangupOnClose(bool& on)
{
    termios settings{};
    const int error = errorOf(tcgetattr(descriptor_, &settings));
    on = (settings.c_cflag & HUPCL) != 0;
    return error;
}

int SerialIoctls::clearHangupOnClose()
{
    termios settings{};
    if (tcgetattr(descriptor_, &settings) != 0) {
        return errno;
    }
    settings.c_cflag &= ~static_cast<tcflag_t>(HUPCL);
    return errorOf(tcsetattr(descriptor_, TCSANOW, &settings));
}

int SerialIoctls::switchOff(int lines)
{
    return errorOf(ioctl(descriptor_, TIOCMBIC, &lines));
}

int SerialIoctls::switchOn(int lines)
{
    return errorOf(ioctl(descriptor_, TIOCMBIS, &lines));
}

int SerialIoctls::setModemLines(int lines)
{
    return errorOf(ioctl(descriptor_, TIOCMSET, &lines));
}

int SerialIoctls::configureLine(uint32_t baud)
{
    return configureLineAt(descriptor_, baud, savedLine_);
}

int SerialIoctls::readLineRate(uint32_t& baud)
{
    return readLineRateOf(descriptor_, baud);
}

int SerialIoctls::restoreLine(bool keepHangupCleared)
{
    return restoreLineFrom(descriptor_, savedLine_, keepHangupCleared);
}

int SerialIoctls::discardInput()
{
    return errorOf(ioctl(descriptor_, TCFLSH, TCIFLUSH));
}

int64_t SerialIoctls::monotonicMilliseconds()
{
    timespec now {};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1'000'000;
}

WaitResult SerialIoctls::readInput(std::string& bytes, uint32_t milliseconds)
{
    if (caughtEndingSignal() != 0) {
        return WaitResult{WaitEnd::EndingSignal, caughtEndingSignal()};
    }
    pollfd wanted{descriptor_, POLLIN, 0};
    const int ready = poll(&wanted, 1, static_cast<int>(milliseconds));
    if (ready < 0) {
        // A caught signal interrupts the poll; any other wakes it again.
        return caughtEndingSignal() != 0 ? WaitResult{WaitEnd::EndingSignal, caughtEndingSignal()}
                                         : WaitResult{WaitEnd::Elapsed, 0};
    }
    if (ready == 0) {
        return WaitResult{WaitEnd::Elapsed, 0};
    }
    char buffer[256];
    const ssize_t length = read(descriptor_, buffer, sizeof buffer);
    if (length > 0) {
        bytes.assign(buffer, static_cast<size_t>(length));
        return WaitResult{WaitEnd::Elapsed, 0};
    }
    if (length < 0 && (errno == EAGAIN || errno == EINTR)) {
        return WaitResult{WaitEnd::Elapsed, 0};
    }
    // End of file on a tty: the driver hung it up, the adapter is gone.
    return WaitResult{WaitEnd::CheckFailed, length < 0 ? errno : EIO};
}

int SerialIoctls::endingSignal()
{
    return caughtEndingSignal();
}

WaitResult SerialIoctls::wait(uint16_t milliseconds)
{
    const int descriptor = descriptor_;
    return waitMilliseconds(milliseconds, [descriptor] { return modemLinesCheck(descriptor); });
}

int ParallelIoctls::claim()
{
    struct sigaction quiet {};
    struct sigaction previous {};
    quiet.sa_handler = noteClaimTimeout;
    sigemptyset(&quiet.sa_mask);
    sigaction(SIGALRM, &quiet, &previous);
    claimTimedOut = 0;
    const itimerval once{{0, 0}, {claimTimeoutMicroseconds / 1'000'000, claimTimeoutMicroseconds % 1'000'000}};
    setitimer(ITIMER_REAL, &once, nullptr);
    int error = errorOf(ioctl(descriptor_, PPCLAIM));
    const itimerval off{};
    setitimer(ITIMER_REAL, &off, nullptr);
    sigaction(SIGALRM, &previous, nullptr);
    if (error == EINTR && claimTimedOut != 0) {
        error = EBUSY;
    }
    return error;
}

int ParallelIoctls::setDataForward()
{
    int reverse = 0;
    return errorOf(ioctl(descriptor_, PPDATADIR, &reverse));
}

int ParallelIoctls::writeData(uint8_t value)
{
    unsigned char data = value;
    return errorOf(ioctl(descriptor_, PPWDATA, &data));
}

int ParallelIoctls::readData(uint8_t& value)
{
    unsigned char data = 0;
    const int error = errorOf(ioctl(descriptor_, PPRDATA, &data));
    value = data;
    return error;
}

int ParallelIoctls::release()
{
    return errorOf(ioctl(descriptor_, PPRELEASE));
}

int ParallelIoctls::endingSignal()
{
    return caughtEndingSignal();
}

WaitResult ParallelIoctls::wait(uint16_t milliseconds)
{
    // A parallel port does not go away while it is claimed.
    return waitMilliseconds(milliseconds);
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

}  // namespace korvane_reset
