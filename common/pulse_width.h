// The width of a reset pulse as both reset programs take it: a whole number
// of milliseconds from 1 to 65535 in the forms of integer_text.h (decimal,
// "$" hexadecimal, "%" binary).
#pragma once

#include <cstdint>
#include <string>

namespace common {

constexpr uint16_t defaultPulseWidth = 50;  // milliseconds
constexpr int32_t minPulseWidth = 1;
constexpr int32_t maxPulseWidth = 65535;

// False when the text is no number of that form or lies outside the range.
bool readPulseWidth(const std::string& text, uint16_t& milliseconds);

}  // namespace common
