// The message of a failed file operation: the error number of the failing
// system call becomes a file result code, the code a message.
#pragma once

#include <string>

namespace mardeluk {

// "@@@@@ disk full: korvane.inc @@@@@", or with the code for a fatal error:
// "@@@@@ fatal I/O error 27: korvane.inc @@@@@".
std::string fileErrorLine(int errnoValue, const std::string& fileName);

}  // namespace mardeluk
