#include "survey/pc_adapters.h"

#include <cmath>
#include <cstdint>

#include "common/digits.h"
#include "common/extended.h"

namespace survey {

namespace {

const AdapterEntry adapterTable[adapterCount] = {
    {Adapter::Exact, "exact", "the exact nominal rate"},
    {Adapter::Uart16550, "16550", "16550 UART, 115200 / n"},
    {Adapter::Ftdi, "ftdi", "FTDI FT232R/FT232B, 3 MHz / n in eighths"},
    {Adapter::Ch340, "ch340", "CH340/CH341, 48 MHz / prescaler / n"},
};

PcRate madeRate(uint32_t numerator, uint32_t denominator)
{
    return PcRate{true, static_cast<double>(common::Extended(numerator) / denominator), ""};
}

const PcRate noDivisor{false, 0.0, "no divisor of the hardware gives it"};
const PcRate oldRateKept{false, 0.0, "its driver keeps the port's old rate"};

// The 8250 driver: a 1.8432 MHz clock divided by 16 and by a 16-bit divisor,
// the nearest one. serial_core refuses a rate above the clock / 16 (115200):
// it keeps the rate the port had before and writes that into the settings.
PcRate uart16550Rate(uint32_t baud)
{
    constexpr uint32_t uartClock = 1843200;
    constexpr uint32_t fastest = uartClock / 16;
    if (baud > fastest) {
        return oldRateKept;
    }
    const uint32_t divisor = (uartClock + 8 * baud) / (16 * baud);
    if (divisor > 0xFFFF) {
        return noDivisor;
    }
    return madeRate(fastest, divisor);
}

// ftdi_sio on the FT232B and FT232R: 3 MHz divided by a divisor in eighths,
// the nearest one, with a 14-bit integer part. Between 1 and 2 only 1 and 1.5
// exist; where the divisor cannot hold a rate the driver writes a wrong one
// (275 Baud for 110). Above 3 MBaud it programs 9600 and writes 9600 into
// the settings.
PcRate ftdiRate(uint32_t baud)
{
    constexpr uint32_t base = 48000000;
    if (baud > base / 16) {
        baud = 9600;
    }
    const uint32_t eighths = (base + baud) / (2 * baud);
    const bool missingFraction = eighths > 8 && eighths < 16 && eighths != 12;
    if (eighths >> 3 > 0x3FFF || eighths < 8 || missingFraction) {
        return noDivisor;
    }
    return madeRate(base / 2, eighths);
}

// ch341: 48 MHz divided by a prescaler 2^(12 - 3 ps - fact) and a divisor of
// 2 to 256, chosen as the driver chooses them; the rate is first held to the
// chip's range of 46 to 3000000 Baud. The settings keep the rate asked: the
// driver programs the held one without a word.
PcRate ch340Rate(uint32_t baud)
{
    constexpr uint32_t clockRate = 48000000;
    const auto prescaler = [](int ps, uint32_t fact) { return 1u << (12 - 3 * ps - static_cast<int>(fact)); };
    const auto slowestRate = [&](int ps) { return clockRate / (prescaler(ps, 1) * 512); };
    const uint32_t speed = baud < 46 ? 46 : (baud > 3000000 ? 3000000 : baud);

    // The highest base clock (fact 1) whose divisor stays below 512.
    uint32_t fact = 1;
    int ps = 3;
    while (ps >= 0 && speed <= slowestRate(ps)) {
        --ps;
    }
    if (ps < 0) {
        return noDivisor;
    }
    uint32_t clockDivisor = prescaler(ps, fact);
    uint32_t divisor = clockRate / (clockDivisor * speed);
    if (divisor < 9 || divisor > 255) {
        divisor /= 2;
        clockDivisor *= 2;
        fact = 0;
    }
    if (divisor < 2) {
        return noDivisor;
    }
    // The next divisor when it comes at least as close, in sixteenths.
    if (16 * clockRate / (clockDivisor * divisor) - 16 * speed >=
        16 * speed - 16 * clockRate / (clockDivisor * (divisor + 1))) {
        ++divisor;
    }
    // An even divisor on the full base clock: half of it on the half clock.
    if (fact == 1 && divisor % 2 == 0) {
        divisor /= 2;
        fact = 0;
    }
    return madeRate(clockRate, prescaler(ps, fact) * divisor);
}

}  // namespace

const AdapterEntry& adapterEntry(Adapter adapter)
{
    return adapterTable[static_cast<int>(adapter)];
}

bool findAdapter(const std::string& text, Adapter& adapter)
{
    std::string lower = text;
    for (char& c : lower) {
        c = common::lowerCaseLetter(c);
    }
    for (const AdapterEntry& entry : adapterTable) {
        if (lower == entry.name) {
            adapter = entry.adapter;
            return true;
        }
    }
    return false;
}

PcRate pcRate(Adapter adapter, double nominal)
{
    if (adapter == Adapter::Exact) {
        return PcRate{true, nominal, ""};
    }
    // Rates beyond 32 bits are far beyond every driver's range and take its
    // fastest rate anyway.
    const double whole = std::floor(nominal + 0.5);
    const uint32_t baud = whole < 1 ? 1 : (whole > 4.0e9 ? 4000000000u : static_cast<uint32_t>(whole));
    switch (adapter) {
    case Adapter::Uart16550:
        return uart16550Rate(baud);
    case Adapter::Ftdi:
        return ftdiRate(baud);
    case Adapter::Ch340:
        return ch340Rate(baud);
    case Adapter::Exact:
        break;
    }
    return noDivisor;
}

}  // namespace survey
