// The questions before a run of mardeluk: every generator at one or more
// clocks for a list of rates, or the standard crystals that serve a list of
// rates, each setting computed exactly as mardeluk computes it, with the
// PC's side of the link and what a receiver tolerates. Pure: nothing here
// prints.
#pragma once

#include <vector>

#include "calculator/generator_models.h"
#include "calculator/parameters.h"
#include "survey/pc_adapters.h"

namespace survey {

// The rates asked when the user names none.
const std::vector<double>& standardRates();
// The crystals sold for 8051 boards, in Hz, ascending.
const std::vector<double>& standardCrystals();

// The largest link error, as a fraction, that a receiver sampling each bit
// in its middle at 16 times the rate tolerates in a frame of `frameBits`
// bits (start, data, parity and stop bits).
double frameTolerance(int frameBits);

struct SurveyRequest {
    std::vector<double> clocks;  // Hz; empty: the standard crystals
    std::vector<double> rates;   // Baud
    std::vector<calculator::GeneratorKind> generators;
    double accuracy = calculator::defaultAccuracy;  // fraction
    Adapter adapter = Adapter::Exact;
};

// One frame size's verdict on a link.
struct FrameVerdict {
    bool fits;      // the link error is within the tolerance
    double margin;  // tolerance minus the size of the link error, a fraction
};

struct SurveyRow {
    double clock;    // Hz
    double nominal;  // Baud
    calculator::GeneratorKind generator;
    bool reachable;            // the model found a setting within 10 %
    calculator::BaudResult result;         // the setting and rate; complete when reachable
    bool withinAccuracy;       // mardeluk would write korvane.inc for it
    bool best;                 // the closest reachable generator at this clock and rate
    PcRate pc;                 // what the PC's side makes of the nominal rate
    bool linkKnown;            // reachable and the PC makes a rate
    double linkError;          // (board - PC) / PC, signed
    FrameVerdict tenBitFrame;
    FrameVerdict elevenBitFrame;
};

// A crystal and generator that meet the accuracy at every rate asked.
struct CrystalChoice {
    double clock;                // Hz
    calculator::GeneratorKind generator;
    double worstDeviation;       // the largest deviation over the rates
    bool linkKnown;              // the PC made every rate
    double worstLinkError;       // the largest size of a link error
    FrameVerdict tenBitFrame;    // judged on the worst link error
    FrameVerdict elevenBitFrame;
};

struct Survey {
    bool crystalSearch;                  // the clocks were the standard crystals
    std::vector<double> clocks;          // those surveyed, Hz
    std::vector<SurveyRow> rows;         // by clock, then rate, then generator
    std::vector<CrystalChoice> choices;  // crystal search only: best first (deviation, then link)
    std::vector<double> unmetRates;      // rates that no row meets within the accuracy
    std::vector<double> unmadeRates;     // rates that the PC's adapter cannot make: no link at all
};

Survey runSurvey(const SurveyRequest& request);

}  // namespace survey
