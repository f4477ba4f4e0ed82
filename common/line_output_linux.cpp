#include "common/line_output.h"

#include <cerrno>
#include <unistd.h>

#include "common/descriptor_linux.h"

namespace common {

namespace {

int descriptorOf(Stream stream)
{
    return stream == Stream::Out ? STDOUT_FILENO : STDERR_FILENO;
}

}  // namespace

int writeAllToDescriptor(int descriptor, const std::string& content)
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

int writeAll(Stream stream, const std::string& content)
{
    return writeAllToDescriptor(descriptorOf(stream), content);
}

void endProcess(int status)
{
    _exit(status);
}

}  // namespace common
