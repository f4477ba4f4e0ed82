// The outcome of a mardeluk run: success, or the check that failed, each with
// the message text of its error line. Parameter checks come first, in the
// order in which they are made; the last two judge the calculation.
#pragma once

namespace calculator {

enum class StatusCode {
    Ok = 0,
    IllegalReal = 1,
    InvalidHex = 2,
    ClockOutOfRange = 3,
    BaudOutOfRange = 4,
    AccuracyOutOfRange = 5,
    AddressOutOfRange = 6,
    UnknownGenerator = 7,
    TooManyParameters = 8,
    InsufficientAccuracy = 9,
    CannotGenerate = 10,
};

// "illegal real number", ...; "o.k." for Ok, which is never printed.
const char* statusMessage(StatusCode status);

}  // namespace calculator
