// Console output of quorvik: whole lines, written through at once. Every
// line that quorvik prints ends the run with status 1, so a line that cannot
// be written needs no status of its own.
#pragma once

#include <string>

// Writes the text and a line feed; false when the stream could not take it.
bool writeLine(int descriptor, const std::string& text);
