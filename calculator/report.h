// Every console text of mardeluk: banner, help screen, settings and result
// lines, the help hint and the error lines. Pure: the lines are returned
// without their line feeds, and the caller prints them.
#pragma once

#include <string>
#include <vector>

#include "calculator/parameters.h"
#include "calculator/status.h"

namespace calculator {

// The version of the loader's customization that the banner and korvane.inc
// carry: it names the loader's sources that korvane.inc fits, not the host
// tools' package (CMakeLists.txt's KORVANE_VERSION), and changes only with
// the include file's content.
constexpr const char* versionText = "1.1";

// Empty line, banner, empty line.
std::vector<std::string> bannerLines();

// The 21 lines of the help screen, shown when there are no parameters.
std::vector<std::string> helpLines();

// "type 'mardeluk' for help"
std::string helpHint();

// The six lines that echo the validated settings.
std::vector<std::string> settingsLines(const BaudSettings& settings);

// "resulting baudrate:" with the rate and, from 0.01 % on, the deviation.
std::string resultLine(double resultingBaud, double deviation);

// "   (0.16 % accuracy)" for a deviation of at least 0.0001, else nothing.
std::string accuracyNote(double deviation);

// Error lines are framed (texts.h), and nothing in them is cut: the only long
// part of a message is an argument, which is cut to the text limit when it
// is read.

// A parameter error names the argument as it was typed (up to the text
// limit), whole: its end is often what the user has to fix.
std::string parameterErrorLine(StatusCode status, const std::string& parameterText);

// A calculation error: "baudrate cannot be generated", or "insufficient
// accuracy" with the deviation that was achieved (": 6.99 %").
std::string calculationErrorLine(StatusCode status, double deviation);

}  // namespace calculator
