// The texts of korvane-reset's error lines about a port: one line that says
// what is wrong and, where the user can do something, what to do. Pure.
#pragma once

#include <cstdint>
#include <string>

#include "reset/options.h"
#include "reset/port.h"
#include "reset/run.h"

namespace reset {

// The program whose error lines these are; the page shows the texts alone.
constexpr const char* programName = "korvane-reset";

// "korvane-reset: " + text, the form of every error line.
std::string errorLine(const std::string& text);


// The text for an errno of opening the device.
std::string openFailureText(int error, const std::string& path, const DeviceOwner& owner);

// The text for a pulse that did not end with Done, Interrupted, NoAnswer
// or RateRefused.
std::string pulseFailureText(const PulseReport& report, const std::string& path);

// --expect at a rate that the port's driver did not take.
std::string rateRefusedText(const std::string& path, uint32_t asked, uint32_t kept);

// --expect, when standard output did not take what the board sent.
std::string answerNotShownText();

// How a reset ended, for the user: the exit status and "" or the error
// line's text. An interrupted run ends by its signal instead.
struct RunEnd {
    int status;
    std::string errorText;
};
RunEnd runEnd(const PulseReport& report, const Options& options, const std::string& path);


}  // namespace reset
