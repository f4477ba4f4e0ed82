// The reset pulse on the registers of a PC serial or parallel port, the port
// permission around it, and the millisecond wait. The registers and the
// permission calls are reached only through PortHardware, so that the pulse
// can be driven against simulated registers as well as the machine's own.
#pragma once

#include <cstdint>

#include "common/millisecond_wait.h"

namespace quorvik {

// The narrow seam between the pulse and the machine.
class PortHardware {
public:
    virtual ~PortHardware() = default;
    // One byte input or output instruction.
    virtual uint8_t portIn(uint16_t port) = 0;
    virtual void portOut(uint16_t port, uint8_t value) = 0;
    // The kernel's per-port permission for `count` ports from `first`; true on success.
    virtual bool permitPorts(uint16_t first, int count, bool on) = 0;
    // The process's whole I/O privilege level (0 or 3); true on success.
    virtual bool setPrivilegeLevel(int level) = 0;
    // The pulse's wait. An ending signal may cut it short (see
    // millisecond_wait.h); the pulse then goes on as after a whole wait, so
    // the lines are back at rest before the program ends by the signal.
    virtual void wait(uint16_t milliseconds) = 0;
};

// Serial port registers, as offsets from the base address.
constexpr uint16_t receiverBufferOffset = 0;
constexpr uint16_t modemControlOffset = 4;
constexpr uint16_t lineStatusOffset = 5;
constexpr uint8_t dataReadyBit = 0x01;
constexpr uint8_t dtrBit = 0x01;
constexpr uint8_t rtsBit = 0x02;
constexpr int receiverDrainPasses = 21;

// Parallel port data register and its two test patterns.
constexpr uint16_t dataRegisterOffset = 0;
constexpr uint8_t pulsePattern = 0x55;
constexpr uint8_t restPattern = 0xAA;

// Base addresses up to this use the per-port permission, higher ones the
// privilege level.
constexpr uint16_t highestPerPortBase = 0x3FF;
constexpr int portsPerDevice = 8;

// Grants (true) or gives back (false) the use of the port's registers.
bool setPortAccess(PortHardware& hardware, uint16_t baseAddress, bool grant);

// Drives DTR off for the pulse width and then DTR and RTS on; true when the
// modem control register read back what was written.
bool pulseSerial(PortHardware& hardware, uint16_t baseAddress, uint16_t pulseWidth);

// Drives 0x55 on the data lines for the pulse width and then 0xAA; true when
// the data register read back both patterns.
bool pulseParallel(PortHardware& hardware, uint16_t baseAddress, uint16_t pulseWidth);

}  // namespace quorvik
