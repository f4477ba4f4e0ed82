#include "quorvik/machine_ports.h"

#if defined(__i386__) || defined(__x86_64__)
#include <sys/io.h>
#endif

namespace quorvik {

#if defined(__i386__) || defined(__x86_64__)

namespace {

class MachinePorts final : public PortHardware {
public:
    uint8_t portIn(uint16_t port) override
    {
        uint8_t value;
        asm volatile("inb %w1, %b0" : "=a"(value) : "Nd"(port));
        return value;
    }

    void portOut(uint16_t port, uint8_t value) override
    {
        asm volatile("outb %b0, %w1" : : "a"(value), "Nd"(port));
    }

    bool permitPorts(uint16_t first, int count, bool on) override
    {
        return ioperm(first, static_cast<unsigned long>(count), on ? 1 : 0) == 0;
    }

    bool setPrivilegeLevel(int level) override
    {
        return iopl(level) == 0;
    }

    void wait(uint16_t milliseconds) override
    {
        // An ending signal ends the wait early; main ends the run by it
        // once the pulse has restored the lines.
        common::waitMilliseconds(milliseconds);
    }
};

}  // namespace

PortHardware* machinePorts()
{
    static MachinePorts ports;
    return &ports;
}

#else

PortHardware* machinePorts()
{
    return nullptr;
}

#endif

}  // namespace quorvik
