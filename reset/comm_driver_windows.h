// A COM port's driver calls through the Win32 API on an open handle: the
// modem lines of the pulse through the port's DCB, and the line's settings
// and input for --expect. Linked only into the Windows program.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "reset/expect.h"
#include "reset/run.h"

namespace reset {

class CommDriver final : public ModemLineDriver, public ReceiveLineDriver {
public:
    explicit CommDriver(HANDLE handle) : handle_(handle) {}
    // Drivers raise DTR and RTS or keep them from the last use when a port
    // opens: this puts them at `restLines` at once. A port that refuses
    // answers the first call with that error, which then tells what it is.
    void putLinesAtRest(int restLines);

    // Where the driver answers IOCTL_SERIAL_GET_DTRRTS, the lines as it
    // drives them; else (wine, some USB drivers) as its settings hold them.
    int readModemLines(int& lines) override;
    // Windows has no HUPCL: the driver alone decides what the lines do at close.
    int readHangupOnClose(bool& on) override;
    int clearHangupOnClose() override;
    // Each change is one SetCommState with both lines in the DCB: DTR and
    // RTS that change together change in one call.
    int switchOff(int lines) override;
    int switchOn(int lines) override;
    int setModemLines(int lines) override;
    int endingSignal() override;
    // Asks for the modem status every interval, so that an adapter
    // unplugged during a long pulse is reported at once.
    common::WaitResult wait(uint16_t milliseconds) override;

    int configureLine(uint32_t baud) override;
    int readLineRate(uint32_t& baud) override;
    int restoreLine(bool keepHangupCleared) override;
    int discardInput() override;
    common::WaitResult readInput(std::string& bytes, uint32_t milliseconds) override;
    int64_t monotonicMilliseconds() override;

private:
    int setLines(int lines);
    int checkModemStatus();

    HANDLE handle_;
    DCB settings_{};            // what the port runs at now, the lines among them
    int pendingError_ = 0;      // putLinesAtRest's, for the first call
    bool askDriverForLines_ = true;
    DCB savedSettings_{};       // before --expect set the line
    COMMTIMEOUTS savedTimeouts_{};
    DWORD readSlice_ = 0;       // the read timeout now set, 0 for none yet
};

}  // namespace reset
