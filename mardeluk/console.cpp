#include "console.h"

#include <cstdlib>
#include <unistd.h>

#include "line_output.h"

void printLine(const std::string& text)
{
    if (!writeLine(STDOUT_FILENO, text)) {
        std::exit(exitOutputFailure);
    }
}

void printLines(const std::vector<std::string>& lines)
{
    if (!writeLines(STDOUT_FILENO, lines)) {
        std::exit(exitOutputFailure);
    }
}

void printErrorLine(const std::string& text)
{
    writeLine(STDERR_FILENO, text);
}
