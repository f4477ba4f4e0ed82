#include "console.h"

#include <cstdlib>
#include <unistd.h>

#include "file_output.h"

namespace {

// Each line goes out with unbuffered writes, so that it is out before the
// next step of the run, also into pipes and files.
bool writeLine(int descriptor, const std::string& text)
{
    return writeAll(descriptor, text + "\n") == 0;
}

}  // namespace

void printLine(const std::string& text)
{
    if (!writeLine(STDOUT_FILENO, text)) {
        std::exit(exitOutputFailure);
    }
}

void printLines(const std::vector<std::string>& lines)
{
    for (const std::string& line : lines) {
        printLine(line);
    }
}

void printErrorLine(const std::string& text)
{
    writeLine(STDERR_FILENO, text);
}
