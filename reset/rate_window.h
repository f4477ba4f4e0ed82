// The window of the PC's rates at which a board's text decodes, and what it
// tells of the board's own rate. A PC's UART samples each bit in its middle
// at 16 times its rate, so a text decodes from some 4.5 % below the board's
// rate to some 6 % above it (the exact edges depend on the text's bits);
// beyond them bytes come that are not the text. Each try of the probe at a
// rate is one sample: the rates where the text decoded and the nearest ones
// outside where bytes came without it bound the edges, and through them the
// board's rate. Rates here are those on the wire: what the port's driver
// makes of the rate asked (survey/pc_adapters.h). Pure.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "common/extended.h"
#include "survey/pc_adapters.h"

namespace reset {

struct RateSample {
    double rate;   // on the wire, Baud
    bool decoded;  // the text came; else bytes without it
};

// The decoded rates' extremes and the nearest garbled rates outside them,
// 0 where there is none.
struct RateWindow {
    double low = 0;
    double high = 0;
    double below = 0;
    double above = 0;
};
RateWindow windowOf(const std::vector<RateSample>& samples);

// The board's rates that explain every sample, each with the widest
// window that a text can have where it decoded and the narrowest where it
// did not; empty (low > high) when none does.
struct RateRange {
    double low;
    double high;
};
RateRange fittingRates(const std::vector<RateSample>& samples);
bool rateFits(const RateRange& range, double rate);
common::Extended rangeMiddle(const RateRange& range);

// A rate in whole Baud, or 0 for one that no line takes.
uint32_t wholeBaud(double rate);

// The rate on the wire for a rate asked of the driver, 0 where it makes none.
double wireRate(survey::Adapter adapter, uint32_t asked);

// How the search for the window's edges goes on: a rate to try, or why
// it stops.
enum class WindowStep {
    Try,          // `asked` is the next rate
    Settled,      // both edges found well enough for what the verdict says
    Fine,         // both edges found as closely as the probe measures them
    DriverLimit,  // the driver makes no rate where an edge lies
};
struct WindowSearch {
    WindowStep step;
    uint32_t asked;  // Try: the rate to ask
};

// The next rate of the search around the decoded rates: beyond each edge
// first, then halving the wider bracket of an edge. `settled` says whether
// the verdict is decided for the samples so far; `refused` are the rates
// the driver did not take, beyond which the search does not go.
WindowSearch searchWindow(const std::vector<RateSample>& samples, survey::Adapter adapter, bool settled,
                          const std::vector<uint32_t>& refused);

// The rates of `candidates` that fit the range.
std::vector<double> fittingOf(const RateRange& range, const std::vector<double>& candidates);

// A range this narrow (high / low) names the board's rate well enough.
constexpr double narrowRange = 1.02;

}  // namespace reset
