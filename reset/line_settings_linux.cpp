#include "reset/line_settings_linux.h"

#include <asm/ioctls.h>
#include <asm/termbits.h>
#include <cerrno>
#include <cstring>
#include <sys/ioctl.h>

namespace reset {

int configureLineAt(int descriptor, uint32_t baud, std::string& saved)
{
    termios2 settings{};
    if (ioctl(descriptor, TCGETS2, &settings) != 0) {
        return errno;
    }
    saved.assign(reinterpret_cast<const char*>(&settings), sizeof settings);
    settings.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON |
                                                 IXOFF | IXANY | INPCK);
    settings.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    settings.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    settings.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS | CBAUD | HUPCL | (CBAUD << IBSHIFT));
    settings.c_cflag |= CS8 | CREAD | CLOCAL | BOTHER | (BOTHER << IBSHIFT);
    settings.c_ispeed = baud;
    settings.c_ospeed = baud;
    settings.c_cc[VMIN] = 0;
    settings.c_cc[VTIME] = 0;
    return ioctl(descriptor, TCSETS2, &settings) == 0 ? 0 : errno;
}

int readLineRateOf(int descriptor, uint32_t& baud)
{
    // The kernel keeps c_ospeed in step with the baud code, also where a
    // driver replaced the rate (tty_termios_encode_baud_rate).
    termios2 settings{};
    if (ioctl(descriptor, TCGETS2, &settings) != 0) {
        return errno;
    }
    baud = settings.c_ospeed;
    return 0;
}

int restoreLineFrom(int descriptor, const std::string& saved, bool keepHangupCleared)
{
    termios2 settings{};
    if (saved.size() != sizeof settings) {
        return EINVAL;
    }
    std::memcpy(&settings, saved.data(), sizeof settings);
    if (keepHangupCleared) {
        settings.c_cflag &= ~static_cast<tcflag_t>(HUPCL);
    }
    return ioctl(descriptor, TCSETS2, &settings) == 0 ? 0 : errno;
}

}  // namespace reset
