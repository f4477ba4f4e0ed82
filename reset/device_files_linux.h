// The device file of a port: opened for the drivers and closed after them.
// Linked only into the program, like every file named for its platform.
#pragma once

#include <string>

namespace reset {

// Opens the port for reading and writing without making it the controlling
// terminal and without waiting for carrier; never creates a file. Gives 0 or
// the errno.
int openPort(const std::string& path, int& descriptor);

void closePort(int descriptor);

// 0 for a system call that gave 0, else the errno that it left: the form in
// which the drivers report every call.
int errorOf(int result);

}  // namespace reset
