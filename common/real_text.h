// The programs' number form of a real number, as mardeluk reads its
// parameters and the other programs their rates, clocks and seconds.
#pragma once

#include <string>

namespace common {

// Decimal real number with optional sign, point and exponent, leading blanks
// and tabs allowed; built in extended precision and rounded to double.
// Returns false for a text of any other form. A value too large for a double
// comes back infinite: the caller's range check rejects it.
bool parseReal(const std::string& text, double& value);

}  // namespace common
