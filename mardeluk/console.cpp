#include "console.h"

#include <cerrno>
#include <cstdlib>
#include <unistd.h>

namespace {

// Writes the whole line and its line feed with unbuffered writes, so that
// every line is out before the next step of the run, also into pipes and files.
bool writeLine(int descriptor, const std::string& text)
{
    const std::string line = text + "\n";
    size_t written = 0;
    while (written < line.size()) {
        const ssize_t result = ::write(descriptor, line.data() + written, line.size() - written);
        if (result < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        written += static_cast<size_t>(result);
    }
    return true;
}

}  // namespace

void printLine(const std::string& text)
{
    if (!writeLine(STDOUT_FILENO, text)) {
        endRun(exitOutputFailure);
    }
}

void printLines(const std::vector<std::string>& lines)
{
    for (const std::string& line : lines) {
        printLine(line);
    }
}

void printErrorLine(const std::string& text, int statusOnFailure)
{
    if (!writeLine(STDERR_FILENO, text)) {
        endRun(statusOnFailure);
    }
}

void endRun(int status)
{
    std::exit(status);
}
