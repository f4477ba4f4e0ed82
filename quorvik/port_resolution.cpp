#include "port_resolution.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/statvfs.h>
#include <sys/utsname.h>
#include <unistd.h>

#include "texts.h"

namespace {

constexpr size_t readBlockSize = 4096;

// Errors of opening the device file that mean the user may not use it.
bool isRefusal(int error)
{
    return error == EACCES || error == EEXIST || error == EISDIR || error == EROFS || error == ENOTEMPTY;
}

// Whether the user could create a file in the folder; when not, `error`
// says why.
bool folderTakesNewFiles(const std::string& folder, int& error)
{
    if (faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) != 0) {
        error = errno;
        return false;
    }
    struct statvfs fileSystem {};
    if (statvfs(folder.c_str(), &fileSystem) == 0 && (fileSystem.f_flag & ST_RDONLY) != 0) {
        error = EROFS;
        return false;
    }
    return true;
}

// Opens the device file of the port and closes it at once; true when the
// user is refused access to it. The file is neither created nor truncated:
// a regular file in place of a missing device node would stand in the way
// of the real one. A missing file is judged as its creation would have
// been: refused when the folder does not take new files from this user.
bool deviceRefusesAccess(const std::string& devicePath, const std::string& deviceFolder)
{
    const int device = open(devicePath.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (device >= 0) {
        close(device);
        return false;
    }
    int error = errno;
    if (error == ENOENT && folderTakesNewFiles(deviceFolder, error)) {
        return false;
    }
    return isRefusal(error);
}

// The first line without its line feed, cut to the text limit. Reads whole
// blocks: a sysctl file gives all its text to the first read and nothing to
// any later one, so reading it a byte at a time would see only one digit.
bool readFirstLine(int file, std::string& line)
{
    std::string text;
    char block[readBlockSize];
    while (text.find('\n') == std::string::npos && text.size() < maxTextLength) {
        const ssize_t count = read(file, block, sizeof block);
        if (count < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        if (count == 0) {
            break;
        }
        text.append(block, static_cast<size_t>(count));
    }
    line = cutText(text.substr(0, text.find('\n')));
    return true;
}

int openForReading(const std::string& path)
{
    return open(path.c_str(), O_RDONLY | O_NOCTTY | O_CLOEXEC);
}

// The release text of the running kernel; empty when uname fails.
std::string runningKernelRelease()
{
    utsname system{};
    if (uname(&system) != 0) {
        return "";
    }
    const size_t length = strnlen(system.release, sizeof system.release);
    return std::string(system.release, length < maxReleaseLength ? length : maxReleaseLength);
}

// Reads the base address of the parallel port of the row from the kernel's
// information file. When the file is missing, opens the port's device file
// once (which lets the kernel load its driver) and looks again.
PortResolution probeParportBase(int portIndex, const KernelVersion& version, const std::string& root)
{
    const PortEntry& row = portTable[portIndex];
    const std::string name = row.name;
    const std::string informationPath = root + informationFileName(name.back(), version);

    int information = openForReading(informationPath);
    if (information < 0 && errno == ENOENT) {
        if (deviceRefusesAccess(root + "/dev/" + name, root + "/dev")) {
            return PortResolution{ResolutionOutcome::AccessDenied, row.defaultBase};
        }
        information = openForReading(informationPath);
    }
    if (information < 0) {
        return PortResolution{ResolutionOutcome::NotFound, row.defaultBase};
    }
    std::string line;
    const bool lineRead = readFirstLine(information, line);
    close(information);

    uint16_t baseAddress = 0;
    if (!lineRead || !baseAddressFromLine(line, baseAddress)) {
        return PortResolution{ResolutionOutcome::InvalidBase, row.defaultBase};
    }
    return PortResolution{ResolutionOutcome::Found, baseAddress};
}

}  // namespace

PortResolution resolvePort(int portIndex)
{
    return resolvePortOn(portIndex, runningKernelRelease(), "");
}

PortResolution resolvePortOn(int portIndex, const std::string& release, const std::string& root)
{
    const PortEntry& row = portTable[portIndex];
    const PortResolution defaults{ResolutionOutcome::Found, row.defaultBase};
    if (row.kind != PortKind::Parallel) {
        return defaults;
    }
    KernelVersion version{};
    if (!kernelVersion(release, version) || !kernelDescribesParallelPorts(version)) {
        return defaults;
    }
    return probeParportBase(portIndex, version, root);
}

