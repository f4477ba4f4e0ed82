// Internal to generator_models.cpp; only its tests include this as well.
// The reload timers behind T1, BA and D1, step by step.
#pragma once

#include "calculator/generator_models.h"

namespace calculator {

// A timer count n and the SMOD flag s.
struct SmodTimerCount {
    int count;
    int smod;
};
SmodTimerCount smodTimerCount(double nominal, double clock, int scale, int maxCount, int addOne);

// The shared model of T1 and BA and the building block of D1: the better of
// the truncated count and the next one. Writes resultingBaud, reload and smod.
bool smodTimerModel(double nominal, double clock, int scale, int maxCount, BaudResult& result);

}  // namespace calculator
