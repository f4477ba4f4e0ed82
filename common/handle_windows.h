// For the Windows implementations only: whole texts on a file handle.
#pragma once

#include <string>
#include <windows.h>

namespace common {

// Writes all of `content` to `handle`, repeating writes that took only part
// of it. Returns 0 or GetLastError's code of the failed write.
int writeAllToHandle(HANDLE handle, const std::string& content);

}  // namespace common
