#include "reset/device_files_linux.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace reset {

int openPort(const std::string& path, int& descriptor)
{
    descriptor = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    return descriptor < 0 ? errno : 0;
}

void closePort(int descriptor)
{
    close(descriptor);
}

int errorOf(int result)
{
    return result == 0 ? 0 : errno;
}

}  // namespace reset
