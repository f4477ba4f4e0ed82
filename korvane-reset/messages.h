// The texts of korvane-reset's error lines about a port: one line that says
// what is wrong and, where the user can do something, what to do. Pure.
#pragma once

#include <cstdint>
#include <string>

#include "korvane-reset/pulse.h"

namespace korvane_reset {

// Who may open a device, for the advice after a refused open.
struct DeviceOwner {
    std::string group;   // the device's group by name ("" when unknown)
    bool groupMayOpen;   // the group has read and write permission
};

// "korvane-reset: " + text, the form of every error line.
std::string errorLine(const std::string& text);

std::string noSuchPortText(const std::string& path);
std::string notModemPortText(const std::string& path);

// The text for an errno of opening the device.
std::string openFailureText(int error, const std::string& path, const DeviceOwner& owner);

// The text for a pulse that did not end with Done, Interrupted, NoAnswer
// or RateRefused.
std::string pulseFailureText(const PulseReport& report, const std::string& path);

// --expect at a rate that the port's driver did not take.
std::string rateRefusedText(const std::string& path, uint32_t asked, uint32_t kept);

// --expect, when standard output did not take what the board sent.
std::string answerNotShownText();


}  // namespace korvane_reset
