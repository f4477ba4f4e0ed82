#include "reset/serial_driver_linux.h"

#include <cerrno>
#include <sys/ioctl.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include "common/descriptor_linux.h"
#include "common/millisecond_wait.h"
#include "reset/device_files_linux.h"
#include "reset/line_settings_linux.h"

namespace reset {

// The core counts the modem lines as the kernel does, on every architecture.
static_assert(reset::dtrLine == TIOCM_DTR && reset::rtsLine == TIOCM_RTS, "modem line bits");

namespace {

int modemLinesCheck(int descriptor)
{
    int lines = 0;
    return errorOf(ioctl(descriptor, TIOCMGET, &lines));
}

}  // namespace

int SerialIoctls::readModemLines(int& lines)
{
    return errorOf(ioctl(descriptor_, TIOCMGET, &lines));
}

int SerialIoctls::readHangupOnClose(bool& on)
{
    termios settings{};
    const int error = errorOf(tcgetattr(descriptor_, &settings));
    on = (settings.c_cflag & HUPCL) != 0;
    return error;
}

int SerialIoctls::clearHangupOnClose()
{
    termios settings{};
    if (tcgetattr(descriptor_, &settings) != 0) {
        return errno;
    }
    settings.c_cflag &= ~static_cast<tcflag_t>(HUPCL);
    return errorOf(tcsetattr(descriptor_, TCSANOW, &settings));
}

int SerialIoctls::switchOff(int lines)
{
    return errorOf(ioctl(descriptor_, TIOCMBIC, &lines));
}

int SerialIoctls::switchOn(int lines)
{
    return errorOf(ioctl(descriptor_, TIOCMBIS, &lines));
}

int SerialIoctls::setModemLines(int lines)
{
    return errorOf(ioctl(descriptor_, TIOCMSET, &lines));
}

int SerialIoctls::configureLine(uint32_t baud)
{
    return configureLineAt(descriptor_, baud, savedLine_);
}

int SerialIoctls::readLineRate(uint32_t& baud)
{
    return readLineRateOf(descriptor_, baud);
}

int SerialIoctls::restoreLine(bool keepHangupCleared)
{
    return restoreLineFrom(descriptor_, savedLine_, keepHangupCleared);
}

int SerialIoctls::discardInput()
{
    return errorOf(ioctl(descriptor_, TCFLSH, TCIFLUSH));
}

int64_t SerialIoctls::monotonicMilliseconds()
{
    return common::monotonicNanoseconds() / 1'000'000;
}

common::WaitResult SerialIoctls::readInput(std::string& bytes, uint32_t milliseconds)
{
    switch (common::waitForInput(descriptor_, milliseconds)) {
    case common::InputWait::EndingSignal:
        return common::WaitResult{common::WaitEnd::EndingSignal, common::caughtEndingSignal()};
    case common::InputWait::Elapsed:
        return common::WaitResult{common::WaitEnd::Elapsed, 0};
    case common::InputWait::Ready:
        break;
    }
    char buffer[256];
    const ssize_t length = read(descriptor_, buffer, sizeof buffer);
    if (length > 0) {
        bytes.assign(buffer, static_cast<size_t>(length));
        return common::WaitResult{common::WaitEnd::Elapsed, 0};
    }
    if (length < 0 && (errno == EAGAIN || errno == EINTR)) {
        return common::WaitResult{common::WaitEnd::Elapsed, 0};
    }
    // End of file on a tty: the driver hung it up, the adapter is gone.
    return common::WaitResult{common::WaitEnd::CheckFailed, length < 0 ? errno : EIO};
}

int SerialIoctls::endingSignal()
{
    return common::caughtEndingSignal();
}

common::WaitResult SerialIoctls::wait(uint16_t milliseconds)
{
    const int descriptor = descriptor_;
    return common::waitMilliseconds(milliseconds, [descriptor] { return modemLinesCheck(descriptor); });
}

}  // namespace reset
