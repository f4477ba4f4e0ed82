// The serial port's driver calls as ioctls on an open port: the modem lines
// of the pulse, and the line's settings and input for --expect (termios2 in
// line_settings_linux.h). Linked only into the program.
#pragma once

#include <cstdint>
#include <string>

#include "reset/expect.h"
#include "reset/run.h"

namespace reset {

class SerialIoctls final : public ModemLineDriver, public ReceiveLineDriver {
public:
    explicit SerialIoctls(int descriptor) : descriptor_(descriptor) {}
    int readModemLines(int& lines) override;
    int readHangupOnClose(bool& on) override;
    int clearHangupOnClose() override;
    int switchOff(int lines) override;
    int switchOn(int lines) override;
    int setModemLines(int lines) override;
    int endingSignal() override;
    // Asks for the modem lines every interval, so that an adapter unplugged
    // during a long pulse is reported at once.
    common::WaitResult wait(uint16_t milliseconds) override;
    int configureLine(uint32_t baud) override;
    int readLineRate(uint32_t& baud) override;
    int restoreLine(bool keepHangupCleared) override;
    int discardInput() override;
    common::WaitResult readInput(std::string& bytes, uint32_t milliseconds) override;
    int64_t monotonicMilliseconds() override;

private:
    int descriptor_;
    std::string savedLine_;  // the settings before --expect set the line
};

}  // namespace reset
