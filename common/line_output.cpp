#include "common/line_output.h"

namespace common {

bool writeLine(Stream stream, const std::string& text)
{
    // One write for the whole line, so that two streams never interleave
    // within a line.
    return writeAll(stream, text + "\n") == 0;
}

bool writeLines(Stream stream, const std::vector<std::string>& lines)
{
    for (const std::string& line : lines) {
        if (!writeLine(stream, line)) {
            return false;
        }
    }
    return true;
}

}  // namespace common
