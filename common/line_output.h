// Whole lines and whole texts on a descriptor, with unbuffered writes: each
// line is out before the program's next step, into terminals, pipes and
// files alike.
#pragma once

#include <string>
#include <vector>

// Writes all of `content`, repeating writes that a signal interrupted or
// that took only part of it. Returns 0 or the errno of the failed write.
int writeAll(int descriptor, const std::string& content);

// Writes the text and a line feed; false when the descriptor did not take it.
bool writeLine(int descriptor, const std::string& text);

// Writes the lines in order and stops at the first that is not taken; false
// then.
bool writeLines(int descriptor, const std::vector<std::string>& lines);
