// Console output of mardeluk: whole lines, written through at once on both
// streams.
#pragma once

#include <string>
#include <vector>

#include "common/exit_status.h"

namespace mardeluk {

// Standard output. A line that cannot be written (a closed or full output)
// ends the run at once with exitOutputFailure: the report would be
// incomplete, so nothing more is written and no file is made.
void printLine(const std::string& text);
void printLines(const std::vector<std::string>& lines);

// Standard error, for the one line of a failed file write; whether it could
// be written changes nothing, since the run ends with exitFileError anyway.
void printErrorLine(const std::string& text);

}  // namespace mardeluk
