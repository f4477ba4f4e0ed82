// korvane-reset's standard output and error, unbuffered so that each line is
// out before the next step, and the end of the process. Linked only into the
// program.
#pragma once

#include <string>
#include <vector>

namespace korvane_reset {

// Each line with its line feed; false when one was not taken (a closed or
// full output), and nothing after it is written.
bool printOut(const std::vector<std::string>& lines);
bool printErr(const std::vector<std::string>& lines);

// Text on standard output as it is, no line feed added: the board's answer
// as it comes. False when it was not taken.
bool showOut(const std::string& text);

// Ends the process with `status` at once: nothing is left buffered to flush.
[[noreturn]] void endProcess(int status);

}  // namespace korvane_reset
