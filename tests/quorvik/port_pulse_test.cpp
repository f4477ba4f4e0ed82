// The pulse against simulated registers: every read and write is logged in
// order with the time it was made, so the tests see the exact sequence, the
// state left behind and the width of the pulse.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <deque>
#include <string>
#include <sys/time.h>
#include <vector>

#include "quorvik/port_pulse.h"

namespace quorvik {

namespace {

using Clock = std::chrono::steady_clock;

std::string hex(unsigned value, int digits)
{
    char text[16];
    std::snprintf(text, sizeof text, "%0*X", digits, value);
    return text;
}

// What sits at the base address.
enum class Device { Uart, ParallelPort, Nothing };

class SimulatedPorts final : public PortHardware {
public:
    SimulatedPorts(Device device, uint16_t base) : device_(device), base_(base) {}

    // Uart: the modem control register keeps the bits of `keptMask` and reads
    // the others as in `stuckBits`. ParallelPort: the same for the data register.
    uint8_t keptMask = 0xFF;
    uint8_t stuckBits = 0x00;
    uint8_t storedRegister = 0x00;
    std::deque<uint8_t> received;  // bytes waiting in the UART's receiver
    bool permissionGranted = true;

    std::vector<std::string> log;
    std::vector<Clock::time_point> times;

    uint8_t portIn(uint16_t port) override
    {
        const uint8_t value = readRegister(static_cast<uint16_t>(port - base_));
        record("in " + hex(port, 3) + " " + hex(value, 2));
        return value;
    }

    void portOut(uint16_t port, uint8_t value) override
    {
        record("out " + hex(port, 3) + " " + hex(value, 2));
        const uint16_t offset = static_cast<uint16_t>(port - base_);
        if ((device_ == Device::Uart && offset == modemControlOffset) ||
            (device_ == Device::ParallelPort && offset == dataRegisterOffset)) {
            storedRegister = value;
        }
    }

    bool permitPorts(uint16_t first, int count, bool on) override
    {
        record("ioperm " + hex(first, 3) + " " + std::to_string(count) + (on ? " on" : " off"));
        return permissionGranted;
    }

    bool setPrivilegeLevel(int level) override
    {
        record("iopl " + std::to_string(level));
        return permissionGranted;
    }

    void wait(uint16_t milliseconds) override
    {
        record("wait " + std::to_string(milliseconds));
        common::waitMilliseconds(milliseconds);
    }

    // The time from the first to the last write to `port`.
    Clock::duration timeBetweenWrites(uint16_t port) const
    {
        const std::string prefix = "out " + hex(port, 3);
        std::vector<Clock::time_point> writes;
        for (size_t i = 0; i < log.size(); ++i) {
            if (log[i].compare(0, prefix.size(), prefix) == 0) {
                writes.push_back(times[i]);
            }
        }
        return writes.size() < 2 ? Clock::duration::zero() : writes.back() - writes.front();
    }

private:
    uint8_t readRegister(uint16_t offset)
    {
        const uint8_t kept = static_cast<uint8_t>((storedRegister & keptMask) | (stuckBits & ~keptMask));
        if (device_ == Device::Uart) {
            if (offset == modemControlOffset) {
                return kept;
            }
            if (offset == lineStatusOffset) {
                return static_cast<uint8_t>(0x60 | (received.empty() ? 0 : dataReadyBit));
            }
            if (offset == receiverBufferOffset && !received.empty()) {
                const uint8_t byte = received.front();
                received.pop_front();
                return byte;
            }
            return 0x00;
        }
        if (device_ == Device::ParallelPort && offset == dataRegisterOffset) {
            return kept;
        }
        return 0xFF;  // no device answers: the bus floats high
    }

    void record(const std::string& entry)
    {
        log.push_back(entry);
        times.push_back(Clock::now());
    }

    Device device_;
    uint16_t base_;
};

std::vector<std::string> drainLog(uint16_t base, int passesWithData, uint8_t lineStatusWithData,
                                  uint8_t lineStatusEmpty, const std::vector<uint8_t>& bytes)
{
    std::vector<std::string> log;
    for (int pass = 0; pass < receiverDrainPasses; ++pass) {
        if (pass < passesWithData) {
            log.push_back("in " + hex(base + 5u, 3) + " " + hex(lineStatusWithData, 2));
            log.push_back("in " + hex(base, 3) + " " + hex(bytes[static_cast<size_t>(pass)], 2));
        } else {
            log.push_back("in " + hex(base + 5u, 3) + " " + hex(lineStatusEmpty, 2));
        }
    }
    return log;
}

struct SerialCase {
    const char* name;
    Device device;
    uint8_t keptMask;
    uint8_t stuckBits;
    uint8_t before;        // modem control register before the run
    size_t receivedBytes;  // waiting in the receiver
    bool passes;
    std::vector<std::string> tail;  // the log after the drain
    uint8_t after;         // modem control register after the run
};

TEST(PulseSerial, RegisterSequenceAndReadBackTest)
{
    const uint16_t base = 0x3F8;
    const SerialCase cases[] = {
        {"UART with DTR, RTS and OUT2 on", Device::Uart, 0x1F, 0x00, 0x0B, 0, true,
         {"in 3FC 0B", "out 3FC 0A", "wait 7", "in 3FC 0A", "out 3FC 0B", "in 3FC 0B"}, 0x0B},
        {"UART with all lines off", Device::Uart, 0x1F, 0x00, 0x00, 0, true,
         {"in 3FC 00", "out 3FC 00", "wait 7", "in 3FC 00", "out 3FC 03", "in 3FC 03"}, 0x03},
        {"UART holding three received bytes", Device::Uart, 0x1F, 0x00, 0x08, 3, true,
         {"in 3FC 08", "out 3FC 08", "wait 7", "in 3FC 08", "out 3FC 0B", "in 3FC 0B"}, 0x0B},
        {"UART holding more bytes than passes", Device::Uart, 0x1F, 0x00, 0x01, 30, true,
         {"in 3FC 01", "out 3FC 00", "wait 7", "in 3FC 00", "out 3FC 03", "in 3FC 03"}, 0x03},
        // Register that reads 0 whatever was written: the pulse level matches
        // by chance, so the second read is made and fails.
        {"modem control register that keeps nothing", Device::Uart, 0x00, 0x00, 0x00, 0, false,
         {"in 3FC 00", "out 3FC 00", "wait 7", "in 3FC 00", "out 3FC 03", "in 3FC 00"}, 0x03},
        {"RTS stuck off", Device::Uart, 0x1D, 0x00, 0x09, 0, false,
         {"in 3FC 09", "out 3FC 08", "wait 7", "in 3FC 08", "out 3FC 0B", "in 3FC 09"}, 0x0B},
        {"DTR stuck on", Device::Uart, 0x1E, 0x01, 0x03, 0, false,
         {"in 3FC 03", "out 3FC 02", "wait 7", "in 3FC 03", "out 3FC 03"}, 0x03},
    };
    for (const SerialCase& c : cases) {
        SCOPED_TRACE(c.name);
        SimulatedPorts ports(c.device, base);
        ports.keptMask = c.keptMask;
        ports.stuckBits = c.stuckBits;
        ports.storedRegister = c.before;
        for (size_t i = 0; i < c.receivedBytes; ++i) {
            ports.received.push_back(static_cast<uint8_t>(0x41 + i));
        }
        std::vector<uint8_t> bytes(ports.received.begin(), ports.received.end());

        EXPECT_EQ(pulseSerial(ports, base, 7), c.passes);

        const int passesWithData = static_cast<int>(std::min<size_t>(c.receivedBytes, receiverDrainPasses));
        std::vector<std::string> expected = drainLog(base, passesWithData, 0x61, 0x60, bytes);
        expected.insert(expected.end(), c.tail.begin(), c.tail.end());
        EXPECT_EQ(ports.log, expected);
        EXPECT_EQ(ports.storedRegister, c.after);
        EXPECT_EQ(ports.received.size(), c.receivedBytes - static_cast<size_t>(passesWithData));
    }
}

TEST(PulseSerial, AbsentPortFailsWithoutTheSecondRead)
{
    // Every read gives 0xFF: each pass sees "data ready" and reads the
    // receiver, and the drain still ends after 21 passes.
    SimulatedPorts ports(Device::Nothing, 0x2E8);
    EXPECT_FALSE(pulseSerial(ports, 0x2E8, 3));
    std::vector<std::string> expected = drainLog(0x2E8, receiverDrainPasses, 0xFF, 0xFF,
                                                 std::vector<uint8_t>(receiverDrainPasses, 0xFF));
    for (const char* entry : {"in 2EC FF", "out 2EC FE", "wait 3", "in 2EC FF", "out 2EC FF"}) {
        expected.push_back(entry);
    }
    EXPECT_EQ(ports.log, expected);
}

struct ParallelCase {
    const char* name;
    Device device;
    uint8_t keptMask;
    uint8_t stuckBits;
    bool passes;
    std::vector<std::string> log;
};

TEST(PulseParallel, RegisterSequenceAndReadBackTest)
{
    const ParallelCase cases[] = {
        {"data register that reads back", Device::ParallelPort, 0xFF, 0x00, true,
         {"out 378 55", "wait 4", "in 378 55", "out 378 AA", "in 378 AA"}},
        {"no port at the address", Device::Nothing, 0xFF, 0x00, false,
         {"out 378 55", "wait 4", "in 378 FF", "out 378 AA"}},
        {"data register switched to input", Device::ParallelPort, 0x00, 0x00, false,
         {"out 378 55", "wait 4", "in 378 00", "out 378 AA"}},
        {"D7 stuck low", Device::ParallelPort, 0x7F, 0x00, false,
         {"out 378 55", "wait 4", "in 378 55", "out 378 AA", "in 378 2A"}},
    };
    for (const ParallelCase& c : cases) {
        SCOPED_TRACE(c.name);
        SimulatedPorts ports(c.device, 0x378);
        ports.keptMask = c.keptMask;
        ports.stuckBits = c.stuckBits;
        EXPECT_EQ(pulseParallel(ports, 0x378, 4), c.passes);
        EXPECT_EQ(ports.log, c.log);
        if (c.device == Device::ParallelPort) {
            EXPECT_EQ(ports.storedRegister, restPattern);
        }
    }
}

TEST(Pulse, EdgesAreAtLeastThePulseWidthApart)
{
    for (uint16_t width : {1, 25}) {
        SCOPED_TRACE("width " + std::to_string(width));
        const auto minimum = std::chrono::milliseconds(width);
        SimulatedPorts uart(Device::Uart, 0x3F8);
        uart.keptMask = 0x1F;
        EXPECT_TRUE(pulseSerial(uart, 0x3F8, width));
        EXPECT_GE(uart.timeBetweenWrites(0x3FC), minimum);

        SimulatedPorts parallel(Device::ParallelPort, 0x278);
        EXPECT_TRUE(pulseParallel(parallel, 0x278, width));
        EXPECT_GE(parallel.timeBetweenWrites(0x278), minimum);
    }
}

TEST(SetPortAccess, PerPortPermissionUpTo3FFThenPrivilegeLevel)
{
    const struct {
        uint16_t base;
        bool grant;
        const char* call;
    } cases[] = {
        {0x3F8, true, "ioperm 3F8 8 on"},
        {0x278, false, "ioperm 278 8 off"},
        {0x3FF, true, "ioperm 3FF 8 on"},
        {0x3FF, false, "ioperm 3FF 8 off"},
        {0x400, true, "iopl 3"},
        {0x400, false, "iopl 0"},
        {0xFFFF, true, "iopl 3"},
        {0x000, true, "ioperm 000 8 on"},
    };
    for (const auto& c : cases) {
        for (bool granted : {true, false}) {
            SCOPED_TRACE(std::string(c.call) + (granted ? ", granted" : ", refused"));
            SimulatedPorts ports(Device::Nothing, c.base);
            ports.permissionGranted = granted;
            EXPECT_EQ(setPortAccess(ports, c.base, c.grant), granted);
            EXPECT_EQ(ports.log, std::vector<std::string>{c.call});
        }
    }
}

volatile std::sig_atomic_t alarmsCaught = 0;

void countAlarm(int)
{
    alarmsCaught = alarmsCaught + 1;
}

TEST(WaitMilliseconds, WaitsTheWholeTimeEvenWhenSignalsCutItShort)
{
    for (uint16_t milliseconds : {1, 20}) {
        const auto start = Clock::now();
        common::waitMilliseconds(milliseconds);
        EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(milliseconds));
    }

    // A timer every 7 ms ends each select early; the wait must still last.
    struct sigaction action {};
    struct sigaction previous {};
    action.sa_handler = countAlarm;
    sigemptyset(&action.sa_mask);
    ASSERT_EQ(sigaction(SIGALRM, &action, &previous), 0);
    itimerval timer{{0, 7000}, {0, 7000}};
    ASSERT_EQ(setitimer(ITIMER_REAL, &timer, nullptr), 0);
    alarmsCaught = 0;

    const auto start = Clock::now();
    common::waitMilliseconds(60);
    const auto elapsed = Clock::now() - start;

    const itimerval stop{};
    setitimer(ITIMER_REAL, &stop, nullptr);
    sigaction(SIGALRM, &previous, nullptr);
    EXPECT_GT(alarmsCaught, 0);
    EXPECT_GE(elapsed, std::chrono::milliseconds(60));
}

}  // namespace

}  // namespace quorvik
