#include "line_output.h"

#include <cerrno>
#include <unistd.h>

int writeAll(int descriptor, const std::string& content)
{
    size_t written = 0;
    while (written < content.size()) {
        const ssize_t result = ::write(descriptor, content.data() + written, content.size() - written);
        if (result < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errno;
        }
        written += static_cast<size_t>(result);
    }
    return 0;
}

bool writeLine(int descriptor, const std::string& text)
{
    // One write for the whole line, so that two streams never interleave
    // within a line.
    return writeAll(descriptor, text + "\n") == 0;
}

bool writeLines(int descriptor, const std::vector<std::string>& lines)
{
    for (const std::string& line : lines) {
        if (!writeLine(descriptor, line)) {
            return false;
        }
    }
    return true;
}
