#include "reset/comm_driver_windows.h"

#include <winioctl.h>

#include <algorithm>

#include "common/millisecond_wait.h"
#include "reset/com_ports.h"
#include "reset/modem_lines.h"

namespace reset {

namespace {

// ntddser.h's IOCTL_SERIAL_GET_DTRRTS and its bits; the header itself needs
// the driver kit's types.
constexpr DWORD getDtrRtsCode = CTL_CODE(FILE_DEVICE_SERIAL_PORT, 30, METHOD_BUFFERED, FILE_ANY_ACCESS);
constexpr ULONG dtrState = 0x1;
constexpr ULONG rtsState = 0x2;

// A read returns after this long at most, so that Ctrl-C ends the wait in
// time; wine does not honour the form of COMMTIMEOUTS that returns on the
// first byte, so the slices are what makes the wait end early.
constexpr DWORD readSliceMilliseconds = 100;
// A gap this long after a byte ends the read with what came.
constexpr DWORD byteGapMilliseconds = 10;

int lastError()
{
    return errnoOfWindowsError(GetLastError(), ComCall::OnOpenPort);
}

int resultOf(BOOL done)
{
    return done ? 0 : lastError();
}

// The driver lacks the call: not a fault of the port.
bool unknownToDriver(DWORD code)
{
    return code == ERROR_INVALID_PARAMETER || code == ERROR_INVALID_FUNCTION || code == ERROR_NOT_SUPPORTED;
}

// DTR and RTS as a DCB holds them.
int linesHeldBy(const DCB& settings)
{
    return (settings.fDtrControl == DTR_CONTROL_ENABLE ? reset::dtrLine : 0) |
           (settings.fRtsControl == RTS_CONTROL_ENABLE ? reset::rtsLine : 0);
}

}  // namespace

void CommDriver::putLinesAtRest(int restLines)
{
    settings_.DCBlength = sizeof settings_;
    pendingError_ = GetCommState(handle_, &settings_) ? setLines(restLines) : lastError();
}

int CommDriver::setLines(int lines)
{
    DCB wanted = settings_;
    wanted.fDtrControl = (lines & reset::dtrLine) != 0 ? DTR_CONTROL_ENABLE : DTR_CONTROL_DISABLE;
    wanted.fRtsControl = (lines & reset::rtsLine) != 0 ? RTS_CONTROL_ENABLE : RTS_CONTROL_DISABLE;
    if (!SetCommState(handle_, &wanted)) {
        return lastError();
    }
    settings_ = wanted;
    return 0;
}

int CommDriver::checkModemStatus()
{
    DWORD status = 0;
    return resultOf(GetCommModemStatus(handle_, &status));
}

int CommDriver::readModemLines(int& lines)
{
    if (pendingError_ != 0) {
        const int error = pendingError_;
        pendingError_ = 0;
        return error;
    }
    // A port without modem lines, or one that went away, fails here.
    const int error = checkModemStatus();
    if (error != 0) {
        return error;
    }
    if (askDriverForLines_) {
        ULONG state = 0;
        DWORD length = 0;
        if (DeviceIoControl(handle_, getDtrRtsCode, nullptr, 0, &state, sizeof state, &length, nullptr)) {
            lines = ((state & dtrState) != 0 ? reset::dtrLine : 0) |
                    ((state & rtsState) != 0 ? reset::rtsLine : 0);
            return 0;
        }
        const DWORD code = GetLastError();
        if (!unknownToDriver(code)) {
            return errnoOfWindowsError(code, ComCall::OnOpenPort);
        }
        askDriverForLines_ = false;
    }
    DCB current{};
    current.DCBlength = sizeof current;
    if (!GetCommState(handle_, &current)) {
        return lastError();
    }
    lines = linesHeldBy(current);
    return 0;
}

int CommDriver::readHangupOnClose(bool& on)
{
    on = false;
    return 0;
}

int CommDriver::clearHangupOnClose()
{
    return 0;
}

int CommDriver::switchOff(int lines)
{
    return setLines(linesHeldBy(settings_) & ~lines);
}

int CommDriver::switchOn(int lines)
{
    return setLines(linesHeldBy(settings_) | lines);
}

int CommDriver::setModemLines(int lines)
{
    return setLines(lines);
}

int CommDriver::endingSignal()
{
    return common::caughtEndingSignal();
}

common::WaitResult CommDriver::wait(uint16_t milliseconds)
{
    return common::waitMilliseconds(milliseconds, [this] { return checkModemStatus(); });
}

int CommDriver::configureLine(uint32_t baud)
{
    savedSettings_ = settings_;
    if (!GetCommTimeouts(handle_, &savedTimeouts_)) {
        return lastError();
    }
    DCB line = settings_;
    line.BaudRate = baud;
    line.ByteSize = 8;
    line.Parity = NOPARITY;
    line.StopBits = ONESTOPBIT;
    line.fBinary = TRUE;
    line.fParity = FALSE;
    line.fOutxCtsFlow = FALSE;
    line.fOutxDsrFlow = FALSE;
    line.fDsrSensitivity = FALSE;
    line.fTXContinueOnXoff = TRUE;
    line.fOutX = FALSE;
    line.fInX = FALSE;
    line.fErrorChar = FALSE;
    line.fNull = FALSE;
    line.fAbortOnError = FALSE;
    if (!SetCommState(handle_, &line)) {
        // A rate that the driver refuses: the rest at the rate it keeps,
        // which readLineRate then reports as the one it keeps.
        line.BaudRate = savedSettings_.BaudRate;
        if (!SetCommState(handle_, &line)) {
            return lastError();
        }
    }
    settings_ = line;
    readSlice_ = 0;
    return 0;
}

int CommDriver::readLineRate(uint32_t& baud)
{
    DCB current{};
    current.DCBlength = sizeof current;
    if (!GetCommState(handle_, &current)) {
        return lastError();
    }
    baud = current.BaudRate;
    return 0;
}

int CommDriver::restoreLine(bool)  // no HUPCL to keep cleared
{
    // The settings as they were, with the lines as the reset left them.
    DCB back = savedSettings_;
    back.fDtrControl = settings_.fDtrControl;
    back.fRtsControl = settings_.fRtsControl;
    int error = resultOf(SetCommState(handle_, &back));
    if (error == 0) {
        settings_ = back;
    }
    const int timeoutsError = resultOf(SetCommTimeouts(handle_, &savedTimeouts_));
    return error != 0 ? error : timeoutsError;
}

int CommDriver::discardInput()
{
    return resultOf(PurgeComm(handle_, PURGE_RXABORT | PURGE_RXCLEAR));
}

common::WaitResult CommDriver::readInput(std::string& bytes, uint32_t milliseconds)
{
    const auto signalled = [] {
        return common::WaitResult{common::WaitEnd::EndingSignal, common::caughtEndingSignal()};
    };
    if (common::caughtEndingSignal() != 0) {
        return signalled();
    }
    const DWORD slice = std::max<DWORD>(1, std::min<DWORD>(milliseconds, readSliceMilliseconds));
    if (slice != readSlice_) {
        COMMTIMEOUTS timeouts = savedTimeouts_;
        timeouts.ReadIntervalTimeout = byteGapMilliseconds;
        timeouts.ReadTotalTimeoutMultiplier = 0;
        timeouts.ReadTotalTimeoutConstant = slice;
        if (!SetCommTimeouts(handle_, &timeouts)) {
            return common::WaitResult{common::WaitEnd::CheckFailed, lastError()};
        }
        readSlice_ = slice;
    }
    char buffer[256];
    DWORD length = 0;
    if (!ReadFile(handle_, buffer, sizeof buffer, &length, nullptr)) {
        return common::WaitResult{common::WaitEnd::CheckFailed, lastError()};
    }
    if (length > 0) {
        bytes.assign(buffer, length);
        return common::WaitResult{common::WaitEnd::Elapsed, 0};
    }
    // Nothing came: a port that went away reads nothing too.
    const int error = checkModemStatus();
    if (error != 0) {
        return common::WaitResult{common::WaitEnd::CheckFailed, error};
    }
    return common::caughtEndingSignal() != 0 ? signalled() : common::WaitResult{common::WaitEnd::Elapsed, 0};
}

int64_t CommDriver::monotonicMilliseconds()
{
    return common::monotonicNanoseconds() / 1'000'000;
}

}  // namespace reset
