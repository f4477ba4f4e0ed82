// The exit statuses of every program, in one list: 0 and 1 mean the same in
// all of them; 2 and up belong to one program each, as its manual page says.
#pragma once

namespace common {

constexpr int exitSuccess = 0;
constexpr int exitFailure = 1;  // a usage or help screen, or an error line

// mardeluk
constexpr int exitFileError = 2;      // korvane.inc could not be written
constexpr int exitOutputFailure = 3;  // the console itself could not be written

// korvane-baud: a rate that no clock and generator meets within the accuracy;
// a rate that the PC's adapter cannot make, so that no link works at it.
constexpr int exitRateNotMet = 2;
constexpr int exitRateNotMade = 3;

// korvane-reset --expect: the board did not send its text in time; standard
// output did not take the text that it sent.
constexpr int exitNoAnswer = 3;
constexpr int exitAnswerNotShown = 4;

}  // namespace common
