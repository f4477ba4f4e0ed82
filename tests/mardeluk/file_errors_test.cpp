#include "mardeluk/file_errors.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace mardeluk {

namespace {

// The errno values of POSIX systems; Windows' C library lacks some of them,
// and its programs report Windows' own codes.
#ifndef _WIN32
TEST(FileErrors, EveryErrnoGivesItsMessage)
{
    struct Case {
        int errnoValue;
        const char* message;
    };
    const Case cases[] = {
        {ENOENT, "no such file or directory"},
        {ENOTDIR, "not a directory"},   {ENAMETOOLONG, "not a directory"}, {ELOOP, "not a directory"},
        {ENFILE, "too many open files"}, {EMFILE, "too many open files"},
        {EACCES, "access denied"},      {EEXIST, "access denied"},   {EISDIR, "access denied"},
        {EROFS, "access denied"},       {ENOTEMPTY, "access denied"},
        {EINTR, "disk full"},           {EIO, "disk full"},          {EAGAIN, "disk full"},
        {ENOSPC, "disk full"},          {EPIPE, "disk full"},
        {EBADF, "fatal I/O error 6"},   {ETXTBSY, "fatal I/O error 162"},
        {ENOMEM, "fatal I/O error 217"}, {EFAULT, "fatal I/O error 217"},
        {EINVAL, "fatal I/O error 218"}, {EFBIG, "fatal I/O error 27"},
        {EDQUOT, "fatal I/O error 122"}, {EPERM, "fatal I/O error 1"},
        {-5, "fatal I/O error -5"},     // a negative code has no message of its own
    };
    for (const Case& c : cases) {
        EXPECT_EQ(fileErrorLine(c.errnoValue, "korvane.inc"), std::string("@@@@@ ") + c.message + ": korvane.inc @@@@@")
            << "errno " << c.errnoValue;
    }
}
#endif

TEST(FileErrors, EveryWindowsErrorGivesItsMessage)
{
    struct Case {
        unsigned long error;
        const char* message;
    };
    const Case cases[] = {
        {2, "no such file or directory"}, {3, "not a directory"}, {267, "not a directory"},
        {206, "not a directory"},         {4, "too many open files"}, {5, "access denied"},
        {32, "access denied"},            {19, "access denied"},  {183, "access denied"},
        {112, "disk full"},               {39, "disk full"},      {29, "disk full"},
        {6, "fatal I/O error 6"},         {8, "fatal I/O error 217"}, {87, "fatal I/O error 218"},
        {1392, "fatal I/O error 1392"},   // a code without an entry stands for itself
    };
    for (const Case& c : cases) {
        EXPECT_EQ(windowsFileErrorLine(c.error, "korvane.inc"), std::string("@@@@@ ") + c.message + ": korvane.inc @@@@@")
            << "Windows error " << c.error;
    }
}

}  // namespace

}  // namespace mardeluk
