// What Windows calls a port and how its error codes read in the errno
// values that the rest of the core speaks. Pure: compiled and tested on
// every platform; only the *_windows.cpp files call Windows itself.
#pragma once

#include <cstdint>
#include <string>

#include "reset/port_names.h"

namespace reset {

constexpr unsigned maxComPort = 256;

// The number of a COM port's name: "COM7", "com7", "COM7:", "\\.\COM7" give
// 7; anything else, COM0 and numbers with leading zeros among them, 0.
unsigned comPortNumber(const std::string& argument);

// "null" only waits; a COM port is shown as "COMn"; any other name is kept
// as typed, for "no such port".
PortTarget resolveComPortName(const std::string& argument);

// The name that CreateFile needs, which COM10 and above cannot do without.
std::string comDevicePath(unsigned number);

// When a Windows error came: opening the port, or a call on the open port.
enum class ComCall { Opening, OnOpenPort };

// The errno for GetLastError()'s code: a port that another program holds is
// EBUSY at the open (Windows opens COM ports exclusively); a port that went
// away is EIO or ENODEV; a call that the driver does not have is ENOTTY.
int errnoOfWindowsError(uint32_t code, ComCall when);

}  // namespace reset
