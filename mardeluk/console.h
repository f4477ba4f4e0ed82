// Console output of mardeluk: whole lines, written through at once on both
// streams. Output that cannot be written ends the run; nothing more follows.
#pragma once

#include <string>
#include <vector>

// Exit statuses of a run.
constexpr int exitSuccess = 0;
constexpr int exitUsageOrError = 1;  // help screen, parameter and calculation errors
constexpr int exitFileError = 2;     // korvane.inc could not be written
constexpr int exitOutputFailure = 3; // the console itself could not be written

// Standard output; a failed write ends the run with exitOutputFailure.
void printLine(const std::string& text);
void printLines(const std::vector<std::string>& lines);

// Standard error; a failed write ends the run with `statusOnFailure`.
void printErrorLine(const std::string& text, int statusOnFailure);

[[noreturn]] void endRun(int status);
