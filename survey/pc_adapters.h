// The PC's side of the serial link: the rate that a PC serial port really
// makes when a program asks its driver for a nominal rate. Each model
// follows the divisor arithmetic of the Linux driver for that hardware.
#pragma once

#include <string>

namespace survey {

enum class Adapter { Exact, Uart16550, Ftdi, Ch340 };
constexpr int adapterCount = 4;

struct AdapterEntry {
    Adapter adapter;
    const char* name;         // what the user types
    const char* description;  // what the reports print
};
const AdapterEntry& adapterEntry(Adapter adapter);

// The name in any letter case, compared whole.
bool findAdapter(const std::string& text, Adapter& adapter);

struct PcRate {
    bool made;           // false where the PC cannot be sure to make a rate
    double baud;         // the rate on the wire; 0 when not made
    const char* whyNot;  // when not made, why, in a few words; else ""
};

// A program asks the driver for a whole number of Baud: the nominal rate is
// rounded to the nearest one (at least 1) first. What the driver then does
// with a rate beyond the hardware's range is what the line gets: the CH340
// takes the nearest rate of its range and the FTDI driver 9600; the 16550's
// driver keeps whatever rate the port had, so it makes none that a program
// can count on.
PcRate pcRate(Adapter adapter, double nominal);

}  // namespace survey
