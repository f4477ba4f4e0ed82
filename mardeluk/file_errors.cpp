#include "mardeluk/file_errors.h"

#include <cerrno>
#include <cstdint>

#include "common/texts.h"

namespace mardeluk {

namespace {

// A failed system call's errno becomes the file result code that the DOS
// tools of the loader reported (2 file not found, 3 path not found, 4 too
// many open files, 5 access denied, 6 invalid handle, 101 disk write error,
// 162 hardware fault, 217 and 218 faults of the program itself), and the
// code the index of its message in mardeluk's table of messages: 11 to 15
// for the five with a text of their own, 18 for a fatal error, which shows
// the code. Both are kept as they were so that every failure still prints
// the line that users and their scripts know.
constexpr int fatalErrorIndex = 18;

struct ErrnoCode {
    int errnoValue;
    int code;
};

const ErrnoCode errnoCodes[] = {
    {ENOENT, 2},
    {ENOTDIR, 3}, {ENAMETOOLONG, 3}, {ELOOP, 3},
    {ENFILE, 4}, {EMFILE, 4},
    {EACCES, 5}, {EEXIST, 5}, {EISDIR, 5}, {EROFS, 5}, {ENOTEMPTY, 5},
    {EBADF, 6},
    {EINTR, 101}, {EIO, 101}, {EAGAIN, 101}, {ENOSPC, 101}, {EPIPE, 101},
    {ETXTBSY, 162},
    {ENOMEM, 217}, {EFAULT, 217},
    {EINVAL, 218},
};

// Windows' error codes 2 to 6 are the DOS file result codes themselves and,
// like every code without an entry here, stand for themselves; the others
// that a file write can meet take the code of their errno counterpart.
struct WindowsCode {
    unsigned long error;
    int code;
};

const WindowsCode windowsCodes[] = {
    {8, 217}, {14, 217},                          // not enough memory
    {19, 5},                                      // the medium is write-protected
    {29, 101}, {30, 101}, {1117, 101},            // write, read and device faults
    {32, 5}, {33, 5},                             // another program holds the file
    {39, 101}, {112, 101},                        // the disk is full
    {80, 5}, {183, 5},                            // the name exists already
    {87, 218},                                    // an invalid parameter
    {123, 3}, {161, 3}, {206, 3}, {267, 3},       // a name that is no path
};

struct IndexMessage {
    int code;
    int index;
    const char* message;
};

const IndexMessage messages[] = {
    {2, 11, "no such file or directory"},
    {3, 12, "not a directory"},
    {4, 13, "too many open files"},
    {5, 14, "access denied"},
    {101, 15, "disk full"},
};

// The file result code of an errno value: 0 for success, small codes for the
// failures that have a message of their own, otherwise the errno itself.
int fileResultCode(int errnoValue)
{
    for (const ErrnoCode& entry : errnoCodes) {
        if (entry.errnoValue == errnoValue) {
            return entry.code;
        }
    }
    return errnoValue;
}

int fileResultCodeOfWindowsError(unsigned long error)
{
    for (const WindowsCode& entry : windowsCodes) {
        if (entry.error == error) {
            return entry.code;
        }
    }
    return static_cast<int>(error);
}

// The message index of a file result code: 0, 11 to 15, or 18 for every
// code without a message of its own, which the message then shows.
int fileErrorIndex(int code)
{
    if (code == 0) {
        return 0;
    }
    for (const IndexMessage& entry : messages) {
        if (entry.code == code) {
            return entry.index;
        }
    }
    return fatalErrorIndex;
}

// The message text of an index; "" for an index without a message.
const char* fileErrorMessage(int index)
{
    if (index == fatalErrorIndex) {
        return "fatal I/O error";
    }
    for (const IndexMessage& entry : messages) {
        if (entry.index == index) {
            return entry.message;
        }
    }
    return "";
}

std::string fileErrorLineOfCode(int code, const std::string& fileName)
{
    const int index = fileErrorIndex(code);
    std::string message = fileErrorMessage(index);
    if (index == fatalErrorIndex) {
        // The code is kept as a signed 16-bit value.
        message += " " + std::to_string(static_cast<int16_t>(code));
    }
    return common::framedErrorLine(message + ": " + fileName);
}

}  // namespace

std::string fileErrorLine(int errnoValue, const std::string& fileName)
{
    return fileErrorLineOfCode(fileResultCode(errnoValue), fileName);
}

std::string windowsFileErrorLine(unsigned long error, const std::string& fileName)
{
    return fileErrorLineOfCode(fileResultCodeOfWindowsError(error), fileName);
}

}  // namespace mardeluk
