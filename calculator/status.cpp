#include "calculator/status.h"

namespace calculator {

namespace {

const char* const statusMessages[] = {
    "o.k.",
    "illegal real number",
    "invalid hex number",
    "clock frequency out of range",
    "baudrate out of range",
    "accuracy out of range",
    "address out of range",
    "unknown baudrate generator",
    "too many parameters",
    "insufficient accuracy",
    "baudrate cannot be generated",
};

}  // namespace

const char* statusMessage(StatusCode status)
{
    return statusMessages[static_cast<int>(status)];
}

}  // namespace calculator
