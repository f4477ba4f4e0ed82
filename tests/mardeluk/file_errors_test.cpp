#include "mardeluk/file_errors.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace mardeluk {

namespace {

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

}  // namespace

}  // namespace mardeluk
