// The message of a failed file operation: the error number of the failing
// system call (errno, or Windows' error code) becomes a file result code,
// the code a message.
#pragma once

#include <string>

namespace mardeluk {

// "@@@@@ disk full: korvane.inc @@@@@", or with the code for a fatal error:
// "@@@@@ fatal I/O error 27: korvane.inc @@@@@"; of an errno value.
std::string fileErrorLine(int errnoValue, const std::string& fileName);

// The same line of an error code of Windows (GetLastError).
std::string windowsFileErrorLine(unsigned long error, const std::string& fileName);

}  // namespace mardeluk
