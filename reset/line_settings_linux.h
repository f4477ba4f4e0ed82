// The serial line's own settings through the kernel's termios2, which takes
// any rate (BOTHER), not only the standard ones; part of the serial driver
// (serial_driver_linux.h) in a file of its own: the kernel's termios2 header
// and the C library's <termios.h> cannot be included together.
#pragma once

#include <cstdint>
#include <string>

namespace reset {

// Keeps the settings in `saved` (as bytes), then sets raw 8N1 at `baud`
// without flow control, HUPCL cleared, reads not waiting. 0 or an errno.
int configureLineAt(int descriptor, uint32_t baud, std::string& saved);

// The rate that the driver holds now (the output rate). 0 or an errno.
int readLineRateOf(int descriptor, uint32_t& baud);

// The kept settings back, with HUPCL cleared as the pulse left it where
// `keepHangupCleared`, else exactly as they were.
int restoreLineFrom(int descriptor, const std::string& saved, bool keepHangupCleared);

}  // namespace reset
