// The modem lines as TIOCMGET, TIOCMBIC and TIOCMBIS count them: the bits
// that a reset sequence sets and that korvane-reset's driver passes on.
#pragma once

namespace reset {

constexpr int dtrLine = 0x002;  // TIOCM_DTR
constexpr int rtsLine = 0x004;  // TIOCM_RTS
constexpr int restLines = dtrLine | rtsLine;

}  // namespace reset
