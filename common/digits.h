// Digits and letters of the ASCII texts that the programs read, whatever the
// locale.
#pragma once

namespace common {

inline bool isDecimalDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The value of a hexadecimal digit (0 to 9, A to F, a to f), or -1.
inline int hexDigitValue(char c)
{
    if (isDecimalDigit(c)) {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

// Only the letters a to z change.
inline char upperCaseLetter(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// Only the letters A to Z change.
inline char lowerCaseLetter(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace common
