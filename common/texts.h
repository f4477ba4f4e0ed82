// Texts as the programs hold and frame them.
#pragma once

#include <cstddef>
#include <string>

namespace common {

// Every text (argument, message, line) is at most this long; a longer one is
// cut to its first 255 characters.
constexpr size_t maxTextLength = 255;
std::string cutText(const std::string& text);

// "@@@@@ " + text + " @@@@@": the frame of every error line of mardeluk and
// quorvik. Nothing is cut here; each program says what it cuts.
std::string framedErrorLine(const std::string& text);

}  // namespace common
