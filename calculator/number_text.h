// Text forms of the numbers that mardeluk prints and writes into korvane.inc.
// Pure functions: number in, text out; nothing here fails or keeps state.
#pragma once

#include <cstdint>
#include <string>

#include "common/extended.h"

namespace calculator {

// Decimal text of x with the given number of decimals (0 to 4), rounded half up
// on the magnitude in 80-bit extended precision and right-aligned in `width`.
// x is treated as an extended-precision value: at most 17 significant digits.
std::string fixedText(common::Extended x, int width, int decimals);

// The same for a value that the caller holds as a double: at most 16
// significant digits, and the shorter exponent form beyond 10^36.
std::string fixedTextOfDouble(double x, int width, int decimals);

// A fraction in percent with two decimals, as every report prints a
// deviation or an accuracy: "1.00" for 0.01.
std::string percentText(common::Extended fraction);

// A clock in Hz as MHz with four decimals, as the reports and korvane.inc
// print it: "11.0592".
std::string megahertzText(double clock);

// " d.dddddddddddddddE-eee": 16 significant digits, always 23 characters.
// Made for 0 < x < 1; other finite values keep the same shape.
std::string exponentText(double x);

// About five significant digits for a baud rate: the number of decimals
// depends on the size of x, and values below 1 take the exponent form.
std::string baudText(double x);

// Two upper-case hex digits.
std::string byteHexText(uint8_t b);

// Four upper-case hex digits and "H", for example "8000H".
std::string hexWordText(uint16_t w);

// Assembler constants that always begin with a decimal digit:
// "0" to "9" below ten, otherwise the hex digits (two for a byte or a word
// below 100H, four above), a "0" in front unless they already start with
// one, and "H" ("0AH", "012H", "0102H", "0FFDCH").
std::string asmByteText(uint8_t b);
std::string asmWordText(uint16_t w);

// The 16-bit encoding of TIMEBASE and CHARTIME: x rounded up to the next
// count, with the high byte raised by one whenever the low byte is not zero;
// 0 for values above 65535 (and for the negative values that never occur).
uint16_t timingWord(double x);

}  // namespace calculator
