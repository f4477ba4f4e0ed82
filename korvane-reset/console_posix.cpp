#include "korvane-reset/console_posix.h"

#include <unistd.h>

#include "line_output.h"

namespace korvane_reset {

bool printOut(const std::vector<std::string>& lines)
{
    return writeLines(STDOUT_FILENO, lines);
}

bool printErr(const std::vector<std::string>& lines)
{
    return writeLines(STDERR_FILENO, lines);
}

bool showOut(const std::string& text)
{
    return writeAll(STDOUT_FILENO, text) == 0;
}

void endProcess(int status)
{
    _exit(status);
}

}  // namespace korvane_reset
