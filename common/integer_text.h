// Integer texts as the user and the kernel write them: leading blanks, an
// optional sign, an optional "$" (hexadecimal) or "%" (binary) prefix and
// digits running to the end of the text. Pure: nothing here does I/O.
#pragma once

#include <cstdint>
#include <string>

namespace common {

// Signed 32-bit value. Decimal numbers may reach 2^31 - 1 (2^31 with "-");
// hexadecimal and binary numbers may reach 2^32 - 1 and are taken as 32-bit
// two's complement, so "$FFFFFFFF" is -1. Gives false for any other form.
bool parseInteger(const std::string& text, int32_t& value);

// Unsigned 32-bit value in the same form; a "-" sign fails, and every base
// may reach 2^32 - 1.
bool parseUnsigned(const std::string& text, uint32_t& value);

}  // namespace common
