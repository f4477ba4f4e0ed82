// Writing a whole file into the current folder without ever leaving a
// broken one behind: file_output_linux.cpp and file_output_windows.cpp.
#pragma once

#include <string>

namespace mardeluk {

// Writes `content` as the file `name`. A new file, or an existing regular
// file that may be written, is replaced atomically: the content goes into a
// temporary file beside it, is synced, and takes the name only when it is
// complete; after a failure the previous file is exactly as it was and no
// temporary file remains. A new file gets 0666 less the umask, an existing
// one keeps its permission bits (and its owner, where that can be kept).
// A symbolic link, or a name that is not a regular file (a device, a FIFO),
// is written through in place, so that what the user set up stays.
// Returns 0, or the error code of the first operation that failed: errno
// (a write beyond the file size limit fails with EFBIG: SIGXFSZ is ignored
// from the call on), or on Windows GetLastError's, where the file is moved over
// the old one with MoveFileExW and symbolic links and devices are rare
// enough to be replaced like files.
int writeWholeFile(const std::string& name, const std::string& content);

// The error line of a failed writeWholeFile (file_errors.h).
std::string writeErrorLine(int error, const std::string& name);

}  // namespace mardeluk
