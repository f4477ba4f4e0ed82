#include "reset/rate_window.h"

#include <algorithm>

#include "common/extended.h"
#include "reset/options.h"

namespace reset {

namespace {

using common::Extended;

// Where a text decodes, as a fraction of the board's rate. No text decodes
// beyond the widest window; every text decodes within the narrowest. (The
// UART's sample of the last data bit must stay within that bit, its stop
// bit's sample before the next start bit: some 0.953 to 1.062 for text;
// the rest is a margin for the text's bits and the sampling's phase.)
const Extended widestLow = Extended(94) / 100;
const Extended widestHigh = Extended(108) / 100;
const Extended narrowestLow = Extended(958) / 1000;
const Extended narrowestHigh = Extended(1058) / 1000;

// The first tries beyond an edge: just outside the window of a board at
// the rate that decoded.
const Extended outwardLow = Extended(935) / 1000;
const Extended outwardHigh = Extended(108) / 100;

const Extended stepSlack = Extended(5) / 1000;

// An edge is found once its bracket is this narrow (outside / inside).
const Extended fineEdge = Extended(1005) / 1000;

// How far from the rate aimed at the search looks for one that the driver
// makes, in steps of 0.05 %.
constexpr int scanSteps = 240;
const Extended scanStep = Extended(5) / 10000;

// The slowest rate the probe asks for.
constexpr uint32_t slowestRate = 50;

bool sameRate(double a, double b)
{
    return common::magnitudeOf(Extended(a) - b) <= Extended(b) / 1000000;
}

// A rate asked whose rate on the wire lies strictly between `low` and
// `high` (0: no bound above), is none sampled yet and was not refused, as
// near `target` as the scan finds one.
std::optional<uint32_t> rateBetween(double low, double high, Extended target, survey::Adapter adapter,
                                    const std::vector<RateSample>& samples, const std::vector<uint32_t>& refused)
{
    const Extended top = high > 0 ? Extended(high) : Extended(maxLineRate) + 1;
    for (int step = 0; step <= scanSteps; ++step) {
        for (const int sign : {-1, 1}) {
            const uint32_t asked =
                wholeBaud(static_cast<double>(target * (Extended(1) + sign * step * scanStep)));
            if (asked < slowestRate) {
                continue;
            }
            const double wire = wireRate(adapter, asked);
            const bool sampled = std::any_of(samples.begin(), samples.end(),
                                             [wire](const RateSample& s) { return sameRate(s.rate, wire); });
            const bool wasRefused = std::find(refused.begin(), refused.end(), asked) != refused.end();
            if (wire > 0 && Extended(wire) > low && Extended(wire) < top && !sampled && !wasRefused &&
                !sameRate(wire, low) && !(high > 0 && sameRate(wire, high))) {
                // Asked as it is made, where the driver makes it so: the
                // tries then name the rates on the wire.
                const uint32_t made = wholeBaud(wire);
                const bool madeRefused = std::find(refused.begin(), refused.end(), made) != refused.end();
                return sameRate(wireRate(adapter, made), wire) && !madeRefused ? made : asked;
            }
            if (step == 0) {
                break;
            }
        }
    }
    return std::nullopt;
}

}  // namespace

RateWindow windowOf(const std::vector<RateSample>& samples)
{
    RateWindow window;
    for (const RateSample& sample : samples) {
        if (sample.decoded) {
            window.low = window.low == 0 ? sample.rate : std::min(window.low, sample.rate);
            window.high = std::max(window.high, sample.rate);
        }
    }
    for (const RateSample& sample : samples) {
        if (!sample.decoded && window.low > 0 && sample.rate < window.low) {
            window.below = std::max(window.below, sample.rate);
        }
        if (!sample.decoded && sample.rate > window.high) {
            window.above = window.above == 0 ? sample.rate : std::min(window.above, sample.rate);
        }
    }
    return window;
}

RateRange fittingRates(const std::vector<RateSample>& samples)
{
    Extended low = 0;
    Extended high = Extended(maxLineRate) * 2;
    for (const RateSample& sample : samples) {
        if (sample.decoded) {
            low = std::max(low, Extended(sample.rate) / widestHigh);
            high = std::min(high, Extended(sample.rate) / widestLow);
        }
    }
    // A garbled rate rules out the boards within whose narrowest window it
    // lies; one that would cut the range in two (a sample that contradicts
    // the others) rules out nothing.
    for (bool moved = true; moved && low <= high;) {
        moved = false;
        for (const RateSample& sample : samples) {
            const Extended from = Extended(sample.rate) / narrowestHigh;
            const Extended to = Extended(sample.rate) / narrowestLow;
            if (sample.decoded || to <= low || from >= high) {
                continue;
            }
            if (from <= low) {
                low = to;
                moved = true;
            } else if (to >= high) {
                high = from;
                moved = true;
            }
        }
    }
    return RateRange{static_cast<double>(low), static_cast<double>(high)};
}

bool rateFits(const RateRange& range, double rate)
{
    return range.low <= rate && rate <= range.high;
}

Extended rangeMiddle(const RateRange& range)
{
    return (Extended(range.low) + range.high) / 2;
}

std::vector<double> fittingOf(const RateRange& range, const std::vector<double>& candidates)
{
    std::vector<double> fitting;
    for (const double rate : candidates) {
        if (rateFits(range, rate)) {
            fitting.push_back(rate);
        }
    }
    return fitting;
}

uint32_t wholeBaud(double rate)
{
    const double rounded = static_cast<double>(common::truncated(Extended(rate) + Extended(1) / 2));
    return rounded >= 1 && rounded <= maxLineRate ? static_cast<uint32_t>(rounded) : 0;
}

double wireRate(survey::Adapter adapter, uint32_t asked)
{
    const survey::PcRate made = survey::pcRate(adapter, asked);
    return made.made ? made.baud : 0;
}

WindowSearch searchWindow(const std::vector<RateSample>& samples, survey::Adapter adapter, bool settled,
                          const std::vector<uint32_t>& refused)
{
    const RateWindow window = windowOf(samples);
    // The driver refused these: the search goes no further out than them.
    double floor = window.below;
    double ceiling = window.above;
    for (const uint32_t rate : refused) {
        floor = rate < window.low ? std::max(floor, static_cast<double>(rate)) : floor;
        ceiling = rate > window.high && (ceiling == 0 || rate < ceiling) ? rate : ceiling;
    }
    const Extended low = window.low;
    const Extended high = window.high;
    // Near a step out is as far as one: the driver makes its own rates
    // (an FTDI's lie some 0.3 % apart at 20000 Baud).
    const bool lowOpen = !(window.below > 0 && Extended(window.below) >= low * outwardLow * (1 - stepSlack));
    const bool highOpen = !(window.above > 0 && Extended(window.above) <= high * outwardHigh * (1 + stepSlack));
    // A driver that refused a rate where an edge is sought (one that takes
    // only the standard rates) ends the search on that side.
    const Extended lowReach = std::max(Extended(window.below), low * outwardLow * 99 / 100);
    const Extended highReach = window.above > 0 ? Extended(window.above) : high * outwardHigh * 101 / 100;
    const bool lowBlocked = std::any_of(refused.begin(), refused.end(),
                                        [&](uint32_t rate) { return rate < low && rate > lowReach; });
    const bool highBlocked = std::any_of(refused.begin(), refused.end(),
                                         [&](uint32_t rate) { return rate > high && rate < highReach; });
    if (lowOpen && !lowBlocked) {
        if (const auto asked = rateBetween(floor, window.low, low * outwardLow, adapter, samples, refused)) {
            return WindowSearch{WindowStep::Try, *asked};
        }
    }
    if (highOpen && !highBlocked) {
        if (const auto asked = rateBetween(window.high, ceiling, high * outwardHigh, adapter, samples, refused)) {
            return WindowSearch{WindowStep::Try, *asked};
        }
    }
    const bool stuck = lowOpen || highOpen;
    if (settled) {
        return WindowSearch{stuck ? WindowStep::DriverLimit : WindowStep::Settled, 0};
    }
    // Halve the wider bracket that is not yet fine; the other where the
    // driver makes no rate within it.
    const Extended lowBracket = window.below > 0 ? low / window.below : Extended(0);
    const Extended highBracket = window.above > 0 ? Extended(window.above) / high : Extended(0);
    const bool lowFirst = lowBracket >= highBracket;
    bool coarse = stuck;
    for (const bool lowSide : {lowFirst, !lowFirst}) {
        const Extended bracket = lowSide ? lowBracket : highBracket;
        if (bracket <= fineEdge) {
            continue;
        }
        if (lowSide ? lowBlocked : highBlocked) {
            coarse = true;
            continue;
        }
        const auto asked = lowSide ? rateBetween(floor, window.low, (low + window.below) / 2, adapter, samples, refused)
                                   : rateBetween(window.high, ceiling, (high + window.above) / 2, adapter, samples,
                                                 refused);
        if (asked) {
            return WindowSearch{WindowStep::Try, *asked};
        }
        coarse = true;
    }
    return WindowSearch{coarse ? WindowStep::DriverLimit : WindowStep::Fine, 0};
}

}  // namespace reset
