#include "calculator/generator_models.h"

#include "calculator/generator_models_internal.h"

namespace calculator {

namespace {

// A model succeeds when its deviation is strictly below this double constant.
// The double nearest to 0.1 lies slightly above one tenth, so a setting that
// is exactly 10 % off still passes.
constexpr double modelLimit = 0.1;

// Timer 1 counts clock/12 and the serial port divides its overflow rate by
// 32, or 16 with SMOD set: 12 x 16 = 192 per count with SMOD, 384 without.
constexpr int timer1Scale = 192;
constexpr int timer1MaxCount = 256;
// The 10-bit generator of the 80C515A divides by 32 with SMOD, 64 without.
constexpr int generator10BitScale = 32;
constexpr int generator10BitMaxCount = 1024;
// Timer 2 of the 8052 divides the clock by 32 per count.
constexpr int timer2Divisor = 32;
constexpr int timer2MaxTruncatedCount = 65535;
constexpr int timer2MaxCount = 65536;
// The fixed generator of the 80535: clock / 2500, doubled by SMOD.
constexpr int fixedGeneratorDivisor = 2500;

// |nominal - rate| / nominal: a fraction of the nominal rate.
common::Extended relativeDeviation(double nominal, common::Extended rate)
{
    return common::magnitudeOf(nominal - rate) / nominal;
}

bool withinModelLimit(common::Extended deviation)
{
    return deviation < common::Extended(modelLimit);
}

common::Extended smodTimerRate(double clock, int scale, int count, int smod)
{
    return clock / (common::Extended((2 - smod) * scale) * count);
}

common::Extended timer2Rate(double clock, int32_t count)
{
    return clock / common::Extended(timer2Divisor * count);
}

// Multiplying by 1 or 2 is exact, so the rate equals clock / 2500 or twice it.
common::Extended fixedGeneratorRate(double clock, int smod)
{
    return clock * common::Extended(smod + 1) / fixedGeneratorDivisor;
}

// Clock/4 counts three times as fast as clock/12: timer 1 of the 80C320 is
// modelled as the clock/12 timer at three times the clock, held as a double.
double tripledClock(double clock)
{
    return static_cast<double>(3 * common::Extended(clock));
}

// The count that a reload value stands for: 0 counts the whole range.
int countOfReload(uint16_t reload, int maxCount)
{
    return maxCount - reload % maxCount;
}

// Halving and truncating are exact, so this holds for counts of any size.
bool isEven(common::Extended count)
{
    return common::truncated(count / 2) * 2 == count;
}

// The count may be far beyond any integer type for a tiny nominal rate, so it
// stays a real number until it is clamped.
common::Extended truncatedSmodCount(double nominal, double clock, int scale, int smod)
{
    return common::truncated(clock / (common::Extended((2 - smod) * scale) * nominal));
}

bool timer2Model(double nominal, double clock, BaudResult& result)
{
    common::Extended truncatedCount = common::truncated(clock / (common::Extended(nominal) * timer2Divisor));
    if (truncatedCount < 1) {
        truncatedCount = 1;
    } else if (truncatedCount > timer2MaxTruncatedCount) {
        truncatedCount = timer2MaxTruncatedCount;
    }
    // The count may reach 65536 through this step (reload 0000H). The
    // deviation at n is held as a double here, the one at n + 1 is not.
    int32_t count = static_cast<int32_t>(truncatedCount);
    const double deviationAtCount = static_cast<double>(relativeDeviation(nominal, timer2Rate(clock, count)));
    const common::Extended deviationAtNext = relativeDeviation(nominal, timer2Rate(clock, count + 1));
    if (deviationAtNext < deviationAtCount) {
        ++count;
    }

    result.resultingBaud = static_cast<double>(timer2Rate(clock, count));
    if (!withinModelLimit(relativeDeviation(nominal, result.resultingBaud))) {
        return false;
    }
    result.reload = static_cast<uint16_t>((timer2MaxCount - count) & 0xFFFF);
    return true;
}

bool fixedGeneratorModel(double nominal, double clock, BaudResult& result)
{
    const common::Extended deviationSingle = relativeDeviation(nominal, fixedGeneratorRate(clock, 0));
    const common::Extended deviationDoubled = relativeDeviation(nominal, fixedGeneratorRate(clock, 1));
    const int smod = deviationDoubled < deviationSingle ? 1 : 0;

    result.resultingBaud = static_cast<double>(fixedGeneratorRate(clock, smod));
    if (!withinModelLimit(relativeDeviation(nominal, result.resultingBaud))) {
        return false;
    }
    result.smod = smod == 1 ? smodSet : 0;
    return true;
}

// Timer 1 of the 80C320 counts clock/12 or clock/4. Clock/4 is taken only
// when clock/12 fails or clock/4 comes strictly closer.
bool timer1WithPrescalerModel(double nominal, double clock, BaudResult& result)
{
    const double tripleClock = tripledClock(clock);
    result.prescale = prescaleClockBy4;
    if (!smodTimerModel(nominal, clock, timer1Scale, timer1MaxCount, result)) {
        return smodTimerModel(nominal, tripleClock, timer1Scale, timer1MaxCount, result);
    }
    const common::Extended deviationBy12 = relativeDeviation(nominal, result.resultingBaud);
    if (smodTimerModel(nominal, tripleClock, timer1Scale, timer1MaxCount, result) &&
        deviationBy12 > relativeDeviation(nominal, result.resultingBaud)) {
        return true;
    }
    // Restores the clock/12 settings, which cannot fail a second time.
    smodTimerModel(nominal, clock, timer1Scale, timer1MaxCount, result);
    result.prescale = prescaleClockBy12;
    return true;
}

}  // namespace

SmodTimerCount smodTimerCount(double nominal, double clock, int scale, int maxCount, int addOne)
{
    int smod = 1;
    common::Extended count = truncatedSmodCount(nominal, clock, scale, smod) + addOne;
    if (isEven(count)) {
        smod = 0;  // an even count gives the same rate with SMOD clear and half the count
    }
    count = truncatedSmodCount(nominal, clock, scale, smod) + addOne;
    if (count > maxCount) {
        smod = 0;
    }
    count = truncatedSmodCount(nominal, clock, scale, smod) + addOne;
    if (count < 1) {
        count = 1;
    } else if (count > maxCount) {
        count = maxCount;
    }
    return SmodTimerCount{static_cast<int>(count), smod};
}

bool smodTimerModel(double nominal, double clock, int scale, int maxCount, BaudResult& result)
{
    const SmodTimerCount a = smodTimerCount(nominal, clock, scale, maxCount, 0);
    const SmodTimerCount b = smodTimerCount(nominal, clock, scale, maxCount, 1);
    const common::Extended deviationA = relativeDeviation(nominal, smodTimerRate(clock, scale, a.count, a.smod));
    const common::Extended deviationB = relativeDeviation(nominal, smodTimerRate(clock, scale, b.count, b.smod));
    const SmodTimerCount chosen = deviationA < deviationB ? a : b;  // B wins a tie

    result.resultingBaud = static_cast<double>(smodTimerRate(clock, scale, chosen.count, chosen.smod));
    if (!withinModelLimit(relativeDeviation(nominal, result.resultingBaud))) {
        return false;
    }
    result.reload = static_cast<uint16_t>((maxCount - chosen.count) % maxCount);
    result.smod = chosen.smod == 1 ? smodSet : 0;
    return true;
}

namespace {

bool runModel(GeneratorKind generator, double baudrate, double clock, BaudResult& result)
{
    switch (generator) {
    case GeneratorKind::T1:
        return smodTimerModel(baudrate, clock, timer1Scale, timer1MaxCount, result);
    case GeneratorKind::T2:
        return timer2Model(baudrate, clock, result);
    case GeneratorKind::BG:
        return fixedGeneratorModel(baudrate, clock, result);
    case GeneratorKind::BA:
        return smodTimerModel(baudrate, clock, generator10BitScale, generator10BitMaxCount, result);
    case GeneratorKind::D1:
        return timer1WithPrescalerModel(baudrate, clock, result);
    }
    return false;
}

}  // namespace

int reloadCount(GeneratorKind generator)
{
    switch (generator) {
    case GeneratorKind::T1:
    case GeneratorKind::D1:
        return timer1MaxCount;
    case GeneratorKind::T2:
        return timer2MaxCount;
    case GeneratorKind::BA:
        return generator10BitMaxCount;
    case GeneratorKind::BG:
        return 0;
    }
    return 0;
}

double generatedRate(GeneratorKind generator, const BaudResult& settings, double clock)
{
    const int smod = settings.smod == smodSet ? 1 : 0;
    const int count = reloadCount(generator) > 0 ? countOfReload(settings.reload, reloadCount(generator)) : 0;
    switch (generator) {
    case GeneratorKind::T1:
        return static_cast<double>(smodTimerRate(clock, timer1Scale, count, smod));
    case GeneratorKind::T2:
        return static_cast<double>(timer2Rate(clock, count));
    case GeneratorKind::BG:
        return static_cast<double>(fixedGeneratorRate(clock, smod));
    case GeneratorKind::BA:
        return static_cast<double>(smodTimerRate(clock, generator10BitScale, count, smod));
    case GeneratorKind::D1: {
        const double timerClock = settings.prescale == prescaleClockBy4 ? tripledClock(clock) : clock;
        return static_cast<double>(smodTimerRate(timerClock, timer1Scale, count, smod));
    }
    }
    return 0.0;
}

double storedDeviation(double nominal, double rate)
{
    return static_cast<double>(relativeDeviation(nominal, rate));
}

GeneratorSettings generatorSettings(GeneratorKind generator)
{
    switch (generator) {
    case GeneratorKind::T1:
        return {true, false, true, false};
    case GeneratorKind::T2:
        return {true, true, false, false};
    case GeneratorKind::BG:
        return {false, false, true, false};
    case GeneratorKind::BA:
        return {true, true, true, false};
    case GeneratorKind::D1:
        return {true, false, true, true};
    }
    return {false, false, false, false};
}

bool calculateBaudResult(GeneratorKind generator, double baudrate, double clock, BaudResult& result)
{
    if (!runModel(generator, baudrate, clock, result)) {
        return false;
    }
    result.deviation = storedDeviation(baudrate, result.resultingBaud);
    return true;
}

Calculation calculateSettings(const BaudSettings& settings)
{
    Calculation calculation{StatusCode::Ok, BaudResult{0.0, 0, 0, 0, 0.0}};
    if (!calculateBaudResult(settings.generator, settings.baudrate, settings.clock, calculation.result)) {
        calculation.status = StatusCode::CannotGenerate;
    } else if (settings.accuracy < relativeDeviation(settings.baudrate, calculation.result.resultingBaud)) {
        // Judged on the extended deviation, before it was stored: a deviation
        // equal to the accuracy passes.
        calculation.status = StatusCode::InsufficientAccuracy;
    }
    return calculation;
}

}  // namespace calculator
