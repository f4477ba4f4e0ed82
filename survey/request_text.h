// A survey request from the texts of korvane-baud's options, as the program
// and the web page read them, with korvane-baud's words for what is wrong.
// Each reader takes one option's value and adds to the request; it answers
// "" or the error text, which names the option and the value as typed.
#pragma once

#include <string>

#include "survey/link_survey.h"

namespace survey {

// The largest clock and rate taken, beyond every 8051 and every PC port.
constexpr double maxClockMegahertz = 1000.0;
constexpr double maxRate = 10000000.0;

// --clock: MHz, comma-separated; stored in Hz.
std::string readClocks(const std::string& text, SurveyRequest& request);
// --rate: Baud, comma-separated.
std::string readRates(const std::string& text, SurveyRequest& request);
// --generator: T1, T2, BG, BA or D1 in any letter case, comma-separated;
// each generator once, in the order first named.
std::string readGenerators(const std::string& text, SurveyRequest& request);
// --accuracy: percent, 0 to 5.
std::string readAccuracy(const std::string& text, SurveyRequest& request);
// --adapter: exact, 16550, ftdi or ch340 in any letter case.
std::string readAdapter(const std::string& text, SurveyRequest& request);

// After the options: at least a clock or a rate; the standard rates and
// every generator where none were given.
std::string completeRequest(bool clocksGiven, bool ratesGiven, SurveyRequest& request);

}  // namespace survey
