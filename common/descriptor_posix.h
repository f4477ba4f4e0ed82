// For the POSIX implementations only: whole texts on a file descriptor.
#pragma once

#include <string>

namespace common {

// Writes all of `content` to `descriptor`, repeating writes that a signal
// interrupted or that took only part of it. Returns 0 or the errno of the
// failed write.
int writeAllToDescriptor(int descriptor, const std::string& content);

}  // namespace common
