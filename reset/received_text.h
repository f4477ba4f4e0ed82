// What a board sends on the serial line, as the user sees it and as a wait
// for its banner reads it: escaped for a terminal, and searched for a text
// whatever pieces the driver hands it in.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace reset {

// Received bytes as text that is safe on a terminal: printable ASCII as it
// is, every line end (CR, LF or CR LF) as one line feed, every other byte as
// \xNN with two upper-case hex digits. It keeps what it needs across calls:
// a CR at the end of one piece and an LF at the start of the next are one
// line end.
struct ReceivedText {
    bool afterCarriageReturn = false;
    std::string escaped(const std::string& bytes);
};

// A text from outside (a USB adapter's product string) as one line that is
// safe on a terminal: printable ASCII as it is, every other byte, tabs and
// line ends among them, as \xNN, as ReceivedText shows it.
std::string escapedLine(const std::string& bytes);

// Finds a text in a stream of pieces, whatever way it is split, keeping no
// more than the text's length of what came before.
struct TextWatch {
    std::string wanted;
    std::string tail;
    bool seen(const std::string& bytes);
};

// A wait that ended without the text, in korvane-reset's and the page's
// words: the timeout as the user gave it, the rate and, beyond one, the
// tries; where bytes came, how many, and that the text was not among them.
std::string noAnswerText(const std::string& timeoutText, uint32_t baud, uint32_t tries, size_t heard,
                         const std::string& text);

}  // namespace reset
