// The machine's side of korvane-reset: opening a port, the driver calls of
// the pulse as ioctls, what the file system and sysfs tell about a device,
// and the facts behind --list. Linked only into the program.
#pragma once

#include <string>
#include <vector>

#include "korvane-reset/expect.h"
#include "korvane-reset/messages.h"
#include "korvane-reset/port_list.h"
#include "korvane-reset/port_names.h"
#include "korvane-reset/pulse.h"

namespace korvane_reset {

// stat of the path, links followed, and the device's class in sysfs.
DeviceFacts deviceFacts(const std::string& path);

// The device's group and whether it may read and write it.
DeviceOwner deviceOwner(const std::string& path);

// Opens the port for reading and writing without making it the controlling
// terminal and without waiting for carrier; never creates a file. Gives 0 or
// the errno.
int openPort(const std::string& path, int& descriptor);

class SerialIoctls final : public ModemLineDriver, public ReceiveLineDriver {
public:
    explicit SerialIoctls(int descriptor) : descriptor_(descriptor) {}
    int readModemLines(int& lines) override;
    int readHangupOnClose(bool& on) override;
    int clearHangupOnClose() override;
    int switchOff(int lines) override;
    int switchOn(int lines) override;
    int setModemLines(int lines) override;
    int configureLine(uint32_t baud) override;
    int readLineRate(uint32_t& baud) override;
    int restoreLine(bool keepHangupCleared) override;
    int discardInput() override;
    WaitResult readInput(std::string& bytes, uint32_t milliseconds) override;
    int64_t monotonicMilliseconds() override;
    int endingSignal() override;
    // Asks for the modem lines every interval, so that an adapter unplugged
    // during a long pulse is reported at once.
    WaitResult wait(uint16_t milliseconds) override;

private:
    int descriptor_;
    std::string savedLine_;  // the settings before --expect set the line
};

class ParallelIoctls final : public ParallelDriver {
public:
    explicit ParallelIoctls(int descriptor) : descriptor_(descriptor) {}
    // PPCLAIM waits for as long as another driver holds the port; after a
    // second this gives EBUSY instead.
    int claim() override;
    int setDataForward() override;
    int writeData(uint8_t value) override;
    int readData(uint8_t& value) override;
    int release() override;
    int endingSignal() override;
    WaitResult wait(uint16_t milliseconds) override;

private:
    int descriptor_;
};

// The ports of --list on this machine, with their stable names and access.
std::vector<PortListing> listedPorts();

}  // namespace korvane_reset
