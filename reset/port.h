// The seam between a reset and the machine, the same on every platform: a
// serial port's modem lines and receiving line, a parallel port, and what
// PORT names, what it may be used as, the port opened with its drivers, who
// may open it, and the ports of --list. Implemented in machine_linux.cpp and
// machine_windows.cpp over the files named for their platform; the tests
// put a scripted port in its place.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "common/millisecond_wait.h"
#include "reset/listing.h"
#include "reset/port_names.h"

namespace reset {

// A serial port's modem lines, for the pulse and the sequences. Every call
// gives 0 or an errno.
class ModemLineDriver {
public:
    virtual ~ModemLineDriver() = default;
    virtual int readModemLines(int& lines) = 0;    // TIOCMGET
    virtual int readHangupOnClose(bool& on) = 0;   // HUPCL of the port's settings
    virtual int clearHangupOnClose() = 0;          // the settings again, without HUPCL
    virtual int switchOff(int lines) = 0;          // TIOCMBIC
    virtual int switchOn(int lines) = 0;           // TIOCMBIS
    virtual int setModemLines(int lines) = 0;      // TIOCMSET: every line at once
    // The signal that asked the program to end so far, or 0 (see
    // millisecond_wait.h); looked at once more just before the pulse.
    virtual int endingSignal() = 0;
    virtual common::WaitResult wait(uint16_t milliseconds) = 0;
};

class ParallelDriver {
public:
    virtual ~ParallelDriver() = default;
    virtual int claim() = 0;                    // PPCLAIM, EBUSY when another driver keeps it
    virtual int setDataForward() = 0;           // PPDATADIR
    virtual int writeData(uint8_t value) = 0;   // PPWDATA
    virtual int readData(uint8_t& value) = 0;   // PPRDATA
    virtual int release() = 0;                  // PPRELEASE
    virtual int endingSignal() = 0;
    virtual common::WaitResult wait(uint16_t milliseconds) = 0;
};

// The serial line's receiving side, which only the wait for the answer
// needs. Every call gives 0 or an errno.
class ReceiveLineDriver {
public:
    virtual ~ReceiveLineDriver() = default;
    // The settings kept, then the rate, 8N1, raw, no flow control (TCGETS2,
    // TCSETS2 with BOTHER); the rate that the driver then holds, which it
    // may have replaced (TCGETS2); back as they were, HUPCL too unless
    // `keepHangupCleared` (a reset has cleared it); old input discarded
    // (TCFLSH).
    virtual int configureLine(uint32_t baud) = 0;
    virtual int readLineRate(uint32_t& baud) = 0;
    virtual int restoreLine(bool keepHangupCleared) = 0;
    virtual int discardInput() = 0;
    // What arrives within `milliseconds` (as soon as anything does); a port
    // that went away ends it with CheckFailed, an ending signal with
    // EndingSignal.
    virtual common::WaitResult readInput(std::string& bytes, uint32_t milliseconds) = 0;
    virtual int64_t monotonicMilliseconds() = 0;
};

// Who may open a device, for the advice after a refused open.
struct DeviceOwner {
    std::string group;   // the device's group by name ("" when unknown)
    bool groupMayOpen;   // the group has read and write permission
};

// PORT by this machine's names of its ports.
PortTarget resolvePort(const std::string& argument);

// What the target may be used as; null, which names nothing, is not asked.
DeviceUse portUse(const PortTarget& target);

// A port opened for one run, with its drivers; closed when it goes.
class OpenPort {
public:
    virtual ~OpenPort() = default;
    virtual ModemLineDriver& modemLines() = 0;
    virtual ReceiveLineDriver& receiveLine() = 0;
    // nullptr where the machine has no parallel port driver.
    virtual ParallelDriver* parallel() = 0;
};

// Opens the port at `path` (PortTarget::path). A driver that sets DTR and
// RTS itself when a port opens has them put at `restLines` (linesAtRest)
// straight after. 0 or the errno of the open.
int openMachinePort(const std::string& path, int restLines, std::unique_ptr<OpenPort>& port);

// Who may open the port, for the advice after a refused open.
DeviceOwner deviceOwner(const std::string& path);

// The ports of --list on this machine.
std::vector<PortListing> listedPorts();

// How the port's driver makes a rate from the one asked (listing.h's
// rateMakerOf, from sysfs or SetupAPI).
survey::Adapter portRateMaker(const std::string& path);

}  // namespace reset
