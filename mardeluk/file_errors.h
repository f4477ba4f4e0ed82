// The message of a failed file operation: the error number of the failing
// system call becomes a file result code, the code a message.
#pragma once

#include <string>

// The file result code of an errno value: 0 for success, small codes for the
// failures that have a message of their own, otherwise the errno itself.
int fileResultCode(int errnoValue);

// The message index of a file result code: 0, 11 to 15, or 18 for every code
// without a message of its own, which the message then shows.
int fileErrorIndex(int code);

// The message text of an index; "" for an index without a message.
const char* fileErrorMessage(int index);

// "@@@@@ disk full: korvane.inc @@@@@", or with the code for a fatal error:
// "@@@@@ fatal I/O error 27: korvane.inc @@@@@".
std::string fileErrorLine(int errnoValue, const std::string& fileName);
