// The machine on Linux: device files, the serial and ppdev ioctls, stat and
// sysfs (port_inventory_linux.cpp has deviceOwner and listedPorts).
#include "reset/port.h"

#include "reset/device_files_linux.h"
#include "reset/parallel_driver_linux.h"
#include "reset/port_inventory_linux.h"
#include "reset/serial_driver_linux.h"

namespace reset {

namespace {

// Both drivers over the one descriptor: constructing them calls nothing, and
// the plan uses one of them.
class DevicePort final : public OpenPort {
public:
    explicit DevicePort(int descriptor) : descriptor_(descriptor), serial_(descriptor), parallel_(descriptor) {}
    ~DevicePort() override { closePort(descriptor_); }
    DevicePort(const DevicePort&) = delete;
    DevicePort& operator=(const DevicePort&) = delete;
    ModemLineDriver& modemLines() override { return serial_; }
    ReceiveLineDriver& receiveLine() override { return serial_; }
    ParallelDriver* parallel() override { return &parallel_; }

private:
    int descriptor_;
    SerialIoctls serial_;
    ParallelIoctls parallel_;
};

}  // namespace

PortTarget resolvePort(const std::string& argument)
{
    return resolvePortName(argument);
}

DeviceUse portUse(const PortTarget& target)
{
    return judgeDevice(deviceFacts(target.path));
}

// The tty driver raises DTR and RTS at open as the reset's rest has them; the
// lines of an inverted pulse or a sequence move only with the reset itself,
// as they always did here.
int openMachinePort(const std::string& path, int, std::unique_ptr<OpenPort>& port)
{
    int descriptor = -1;
    const int error = openPort(path, descriptor);
    if (error == 0) {
        port = std::make_unique<DevicePort>(descriptor);
    }
    return error;
}

}  // namespace reset
