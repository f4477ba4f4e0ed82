// The PC's side against rates worked out from the drivers' divisor
// arithmetic.
#include <gtest/gtest.h>

#include "survey/pc_adapters.h"

namespace survey {

namespace {

struct AdapterCase {
    Adapter adapter;
    double nominal;
    bool made;
    double expected;  // the rate on the wire
};

TEST(PcRate, FollowsEachDriversDivisors)
{
    const AdapterCase cases[] = {
        // 16550: 115200 / n, n the nearest divisor.
        {Adapter::Uart16550, 300, true, 300},
        {Adapter::Uart16550, 9600, true, 9600},
        {Adapter::Uart16550, 38400, true, 38400},
        {Adapter::Uart16550, 57600, true, 57600},
        {Adapter::Uart16550, 115200, true, 115200},
        {Adapter::Uart16550, 56000, true, 57600},          // 2.06 rounds to 2
        {Adapter::Uart16550, 31250, true, 28800},          // 3.69 rounds to 4: 7.8 % slow
        {Adapter::Uart16550, 76800, true, 57600},          // 1.5 rounds up to 2
        {Adapter::Uart16550, 115201, false, 0},            // above the clock / 16: the driver keeps the old rate
        {Adapter::Uart16550, 250000, false, 0},
        {Adapter::Uart16550, 2, true, 2},
        {Adapter::Uart16550, 1, false, 0},                 // 115200 does not fit 16 bits
        {Adapter::Uart16550, 9600.4, true, 9600},          // a whole number of Baud is asked for
        // FTDI: 24000000 / eighths, the nearest number of eighths.
        {Adapter::Ftdi, 300, true, 300},
        {Adapter::Ftdi, 9600, true, 9600},
        {Adapter::Ftdi, 57600, true, 24e6 / 417},          // 416.67 eighths
        {Adapter::Ftdi, 115200, true, 24e6 / 208},         // 208.33 eighths: 115384.6
        {Adapter::Ftdi, 230400, true, 24e6 / 104},
        {Adapter::Ftdi, 921600, true, 24e6 / 26},
        {Adapter::Ftdi, 1000000, true, 1000000},
        {Adapter::Ftdi, 2000000, true, 2000000},           // divisor 1.5
        {Adapter::Ftdi, 3000000, true, 3000000},           // divisor 1
        {Adapter::Ftdi, 2500000, false, 0},                // 1.25: no such divisor
        {Adapter::Ftdi, 3000001, true, 9600},              // too fast: the driver falls back to 9600
        {Adapter::Ftdi, 4000000, true, 9600},
        {Adapter::Ftdi, 184, true, 24e6 / 130435},
        {Adapter::Ftdi, 183, false, 0},                    // the divisor's 14 bits overflow
        // CH340: 48 MHz / 2^(12 - 3 ps - fact) / n, as ch341 chooses them.
        {Adapter::Ch340, 300, true, 48e6 / (4096 * 39)},   // ps 0, fact 0
        {Adapter::Ch340, 1200, true, 48e6 / (512 * 78)},   // ps 1, fact 0
        {Adapter::Ch340, 9600, true, 48e6 / (64 * 78)},    // 9615.4
        {Adapter::Ch340, 19200, true, 48e6 / (64 * 39)},
        {Adapter::Ch340, 38400, true, 48e6 / (8 * 156)},
        {Adapter::Ch340, 57600, true, 48e6 / (8 * 104)},
        {Adapter::Ch340, 74880, true, 75000},
        {Adapter::Ch340, 115200, true, 48e6 / (8 * 52)},   // 115384.6
        {Adapter::Ch340, 250000, true, 250000},
        {Adapter::Ch340, 921600, true, 48e6 / (4 * 13)},   // odd divisor: stays on the full clock
        {Adapter::Ch340, 10, true, 48e6 / (4096 * 255)},   // held to the slowest rate, 46
        {Adapter::Ch340, 3000000, true, 3000000},
        {Adapter::Ch340, 3000001, true, 3000000},          // held to the fastest
        {Adapter::Ch340, 4000000, true, 3000000},
        // The exact side makes what it is asked.
        {Adapter::Exact, 9600.5, true, 9600.5},
    };
    for (const AdapterCase& c : cases) {
        const PcRate rate = pcRate(c.adapter, c.nominal);
        EXPECT_EQ(rate.made, c.made) << adapterEntry(c.adapter).name << " " << c.nominal;
        if (c.made) {
            EXPECT_DOUBLE_EQ(rate.baud, c.expected) << adapterEntry(c.adapter).name << " " << c.nominal;
        }
    }
}

}  // namespace

}  // namespace survey
