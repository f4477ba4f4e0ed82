// What a PC's UART receives from a board that sends at its own rate: the
// receiver samples the line at 16 times the PC's rate, takes a low sample
// as a start bit when it is still low half a bit later, then reads eight
// data bits and the stop bit in their middles. A banner sent at another rate
// becomes other bytes (a slow board's start bit reads as 0x00, a break), or
// none at all (a fast board's banner is over before a start bit is checked).
// The tests of the probe use it for the program and, through uart_model_tool,
// for the page and the benchmark.
#pragma once

#include <string>

namespace uart_model {

// The bytes a PC receiving 8N1 at `pcRate` gets from `sent`, sent 8N1 at
// `boardRate` from an idle line; framing errors are kept as the data read,
// as a raw tty keeps them, and a break (every bit low) is one 0x00 until
// the line is high again.
std::string receivedBytes(const std::string& sent, double boardRate, double pcRate);

}  // namespace uart_model
