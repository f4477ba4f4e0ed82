// What quorvik asks the operating system about a parallel port: the
// kernel's information files, the device file's access and the running
// kernel's release. Implemented for Linux in kernel_files_linux.cpp.
#pragma once

#include <string>

namespace quorvik {

enum class FirstLine {
    Read,        // `line` holds it
    Missing,     // no such file
    Unopenable,  // the file is there but cannot be opened
    Unreadable,  // opened, but the read failed
};

// The first line of a file without its line feed, cut to the text limit.
FirstLine readFirstLineOf(const std::string& path, std::string& line);

// Opens the port's device file and closes it at once; true when the user is
// refused access to it. The file is neither created nor truncated: a regular
// file in place of a missing device node would stand in the way of the real
// one. A missing file is judged as its creation would have been: refused
// when the folder does not take new files from this user.
bool deviceRefusesAccess(const std::string& devicePath, const std::string& deviceFolder);

// The release text of the running kernel; empty when it cannot be had.
std::string runningKernelRelease();

}  // namespace quorvik
