// Whole lines and whole texts on the program's standard output and error,
// with unbuffered writes: each line is out before the program's next step,
// into terminals, pipes and files alike. writeAll and endProcess are the
// platform's: line_output_linux.cpp and line_output_windows.cpp.
#pragma once

#include <string>
#include <vector>

namespace common {

enum class Stream { Out, Err };

// Writes all of `content`, repeating writes that a signal interrupted or
// that took only part of it. Returns 0 or the error code of the failed write
// (errno, or GetLastError on Windows).
int writeAll(Stream stream, const std::string& content);

// Writes the text and a line feed; false when the stream did not take it.
bool writeLine(Stream stream, const std::string& text);

// Writes the lines in order and stops at the first that is not taken; false
// then.
bool writeLines(Stream stream, const std::vector<std::string>& lines);

// Ends the process at once with `status`: nothing is left to flush, since
// every line went out when it was written.
[[noreturn]] void endProcess(int status);

}  // namespace common
