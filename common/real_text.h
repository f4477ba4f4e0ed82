// The programs' number form of a real number, as mardeluk reads its
// parameters and the other programs their rates, clocks and seconds.
#pragma once

#include <string>

namespace common {

// Decimal real number with optional sign, point and exponent, leading blanks
// and tabs allowed; built in extended precision and rounded to double.
// Returns false for a text of any other form. The value is never NaN: a
// value too large for a double comes back infinite, which the caller's range
// check rejects, and a text of more digits than the extended type holds
// (only texts of thousands of digits) keeps its value from its first
// significant digits.
bool parseReal(const std::string& text, double& value);

}  // namespace common
