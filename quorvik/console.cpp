#include "console.h"

#include <cerrno>
#include <unistd.h>

bool writeLine(int descriptor, const std::string& text)
{
    // One unbuffered write per line, so that each line is out before the
    // next step of the run, into terminals, pipes and files alike.
    const std::string line = text + "\n";
    size_t written = 0;
    while (written < line.size()) {
        const ssize_t result = write(descriptor, line.data() + written, line.size() - written);
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
