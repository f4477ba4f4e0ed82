// Models of the five UART baud-rate generators: the register settings that
// come closest to the nominal rate, and the rate they really produce.
// All arithmetic is done in 80-bit extended precision on double inputs.
#pragma once

#include <cstdint>

#include "extended.h"
#include "parameters.h"

struct BaudResult {
    double resultingBaud;  // Baud, as the chosen settings produce it
    uint16_t reload;       // TH1 (T1, D1), RCAP2H:RCAP2L (T2) or the 10-bit value (BA)
    uint8_t smod;          // 80H when the doubled rate is used
    uint8_t prescale;      // D1 only: 01H for clock/12, 11H for clock/4
    double deviation;      // fraction; set by the caller after a successful model
};

constexpr uint8_t smodSet = 0x80;
constexpr uint8_t prescaleClockBy12 = 0x01;
constexpr uint8_t prescaleClockBy4 = 0x11;

// |nominal - rate| / nominal, in extended precision.
Extended relativeDeviation(double nominal, Extended rate);

// Chooses the settings of `generator` for the nominal rate at `clock` (Hz).
// False when no setting comes within the model limit of 10 %. Writes
// resultingBaud and only those settings that the generator uses.
bool calculateBaudResult(GeneratorKind generator, double baudrate, double clock, BaudResult& result);

// A timer count n and the SMOD flag s for the reload timers behind T1, BA and D1.
struct SmodTimerCount {
    int count;
    int smod;
};
SmodTimerCount smodTimerCount(double nominal, double clock, int scale, int maxCount, int addOne);

// The shared model of T1 and BA and the building block of D1: the better of
// the truncated count and the next one. Writes resultingBaud, reload and smod.
bool smodTimerModel(double nominal, double clock, int scale, int maxCount, BaudResult& result);
