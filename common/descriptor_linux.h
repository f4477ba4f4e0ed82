// For the POSIX implementations only: whole texts on a file descriptor, and
// the wait for a descriptor's input that an ending signal cuts short.
#pragma once

#include <cstdint>
#include <string>

namespace common {

enum class InputWait { Ready, Elapsed, EndingSignal };

// Until `descriptor` has input, or an error or hang-up that a read will
// tell (Ready), or `milliseconds` have passed (Elapsed). An ending signal
// (millisecond_wait.h) that came before the call or comes during it ends
// the wait at once: the signals stay blocked from the look at them until
// ppoll takes them, so that none comes in between and goes unseen.
InputWait waitForInput(int descriptor, uint32_t milliseconds);

// Writes all of `content` to `descriptor`, repeating writes that a signal
// interrupted or that took only part of it. Returns 0 or the errno of the
// failed write.
int writeAllToDescriptor(int descriptor, const std::string& content);

}  // namespace common
