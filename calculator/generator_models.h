// Models of the five UART baud-rate generators: the register settings that
// come closest to the nominal rate, the rate they really produce, and how a
// run judges it against the required accuracy.
// All arithmetic is done in 80-bit extended precision on double inputs.
#pragma once

#include <cstdint>

#include "calculator/parameters.h"
#include "calculator/status.h"

namespace calculator {

struct BaudResult {
    double resultingBaud;  // Baud, as the chosen settings produce it
    uint16_t reload;       // TH1 (T1, D1), RCAP2H:RCAP2L (T2) or the 10-bit value (BA)
    uint8_t smod;          // 80H when the doubled rate is used
    uint8_t prescale;      // D1 only: 01H for clock/12, 11H for clock/4
    double deviation;      // |nominal - resultingBaud| / nominal, a fraction
};

constexpr uint8_t smodSet = 0x80;
constexpr uint8_t prescaleClockBy12 = 0x01;
constexpr uint8_t prescaleClockBy4 = 0x11;

// The settings that a generator uses, and so korvane.inc holds for it.
struct GeneratorSettings {
    bool reload;
    bool wordReload;  // a 16-bit (T2) or 10-bit (BA) reload, else a byte
    bool smod;
    bool prescale;
};
GeneratorSettings generatorSettings(GeneratorKind generator);

// How many reload values the generator's counter takes: 256 for TH1 (T1,
// D1), 65536 for T2, 1024 for BA; 0 for BG, which has no reload.
int reloadCount(GeneratorKind generator);

// The rate (Baud) that the settings reload, smod and prescale of `generator`
// make at `clock` (Hz), computed as the models compute resultingBaud.
double generatedRate(GeneratorKind generator, const BaudResult& settings, double clock);

// |nominal - rate| / nominal, rounded to double as BaudResult.deviation holds it.
double storedDeviation(double nominal, double rate);

// Chooses the settings of `generator` for the nominal rate at `clock` (Hz).
// False when no setting comes within the model limit of 10 %. Otherwise the
// result is complete: the rate, its deviation, and those settings that the
// generator uses (the others stay as they were, zero in a run).
bool calculateBaudResult(GeneratorKind generator, double baudrate, double clock, BaudResult& result);

// The calculation step of a run: the settings for the validated inputs,
// judged against the required accuracy. The status is Ok, CannotGenerate or
// InsufficientAccuracy; the result is complete unless the status is
// CannotGenerate.
struct Calculation {
    StatusCode status;
    BaudResult result;
};
Calculation calculateSettings(const BaudSettings& settings);

}  // namespace calculator
