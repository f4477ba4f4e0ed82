#include "quorvik/kernel_files.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/statvfs.h>
#include <sys/utsname.h>
#include <unistd.h>

#include "common/texts.h"
#include "quorvik/kernel_information.h"

namespace quorvik {

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

// The first line without its line feed, cut to the text limit. Reads whole
// blocks: a sysctl file gives all its text to the first read and nothing to
// any later one, so reading it a byte at a time would see only one digit.
bool readFirstLine(int file, std::string& line)
{
    std::string text;
    char block[readBlockSize];
    while (text.find('\n') == std::string::npos && text.size() < common::maxTextLength) {
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
    line = common::cutText(text.substr(0, text.find('\n')));
    return true;
}

}  // namespace

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

FirstLine readFirstLineOf(const std::string& path, std::string& line)
{
    const int file = open(path.c_str(), O_RDONLY | O_NOCTTY | O_CLOEXEC);
    if (file < 0) {
        return errno == ENOENT ? FirstLine::Missing : FirstLine::Unopenable;
    }
    const bool read = readFirstLine(file, line);
    close(file);
    return read ? FirstLine::Read : FirstLine::Unreadable;
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

}  // namespace quorvik
