#include "mardeluk/file_output.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "common/descriptor_linux.h"
#include "mardeluk/file_errors.h"

namespace mardeluk {

namespace {

int writeInPlace(const std::string& name, const std::string& content)
{
    const int descriptor = ::open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (descriptor < 0) {
        return errno;
    }
    const int error = common::writeAllToDescriptor(descriptor, content);
    if (::close(descriptor) != 0 && error == 0) {
        return errno;
    }
    return error;
}

// A file that may not be written must not be replaced either: renaming over
// it needs only a writable folder.
int checkWritable(const std::string& name)
{
    const int descriptor = ::open(name.c_str(), O_WRONLY | O_CLOEXEC | O_NONBLOCK);
    if (descriptor < 0) {
        return errno;
    }
    ::close(descriptor);
    return 0;
}

// Keeping the previous file's owner and mode is best effort: only root may
// give a file away, and where a call fails the new file is simply the user's
// own, with the right content all the same. The result is taken and dropped.
void bestEffort(int /*result*/) {}

struct TemporaryFile {
    std::string name;
    int descriptor;
};

// A hidden name beside the target; O_EXCL makes sure it is a new file of ours.
int createTemporaryBeside(const std::string& name, TemporaryFile& temporary)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary.name = "." + name + "." + std::to_string(::getpid()) + "-" + std::to_string(attempt);
        temporary.descriptor = ::open(temporary.name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (temporary.descriptor >= 0) {
            return 0;
        }
        if (errno != EEXIST) {
            return errno;
        }
    }
    return EEXIST;
}

// Makes the rename itself durable; file systems that cannot sync a folder
// still have the complete file in place, so a failure here is not reported.
void syncCurrentFolder()
{
    const int descriptor = ::open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor >= 0) {
        ::fsync(descriptor);
        ::close(descriptor);
    }
}

}  // namespace

int writeWholeFile(const std::string& name, const std::string& content)
{
    // A write beyond the file size limit then fails with EFBIG, and is
    // cleaned up and reported, instead of the signal ending the run.
    std::signal(SIGXFSZ, SIG_IGN);
    struct stat previous {};
    bool replacing = false;
    if (::lstat(name.c_str(), &previous) == 0) {
        if (!S_ISREG(previous.st_mode)) {
            return writeInPlace(name, content);
        }
        const int error = checkWritable(name);
        if (error != 0) {
            return error;
        }
        replacing = true;
    } else if (errno != ENOENT) {
        return errno;
    }

    TemporaryFile temporary;
    int error = createTemporaryBeside(name, temporary);
    if (error != 0) {
        return error;
    }
    if (replacing) {
        // The owner first, since a change of owner clears the set-id bits.
        bestEffort(::fchown(temporary.descriptor, previous.st_uid, previous.st_gid));
        bestEffort(::fchmod(temporary.descriptor, previous.st_mode & 07777));
    }
    error = common::writeAllToDescriptor(temporary.descriptor, content);
    if (error == 0 && ::fsync(temporary.descriptor) != 0) {
        error = errno;
    }
    if (::close(temporary.descriptor) != 0 && error == 0) {
        error = errno;
    }
    if (error == 0 && ::rename(temporary.name.c_str(), name.c_str()) != 0) {
        // In a sticky folder the rename over another user's file is refused
        // with EPERM: for the user that is a denied access like any other.
        error = errno == EPERM ? EACCES : errno;
    }
    if (error != 0) {
        ::unlink(temporary.name.c_str());
        return error;
    }
    syncCurrentFolder();
    return 0;
}

std::string writeErrorLine(int error, const std::string& name)
{
    return fileErrorLine(error, name);
}

}  // namespace mardeluk
