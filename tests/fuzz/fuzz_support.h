// Shared pieces of the fuzz targets: turning the fuzzer's bytes into texts
// and command lines, and checks that end the run loudly when a property fails.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <regex>
#include <string>
#include <vector>

// A failed property is a crash for the fuzzer: it keeps the input.
#define FUZZ_CHECK(condition, detail)                                                        \
    do {                                                                                     \
        if (!(condition)) {                                                                  \
            std::fprintf(stderr, "property failed: %s\n  %s\n", #condition,                  \
                         std::string(detail).c_str());                                       \
            std::abort();                                                                    \
        }                                                                                    \
    } while (false)

#include "common/texts.h"

// Both programs cut every argument to this many characters.
constexpr size_t argumentLimit = common::maxTextLength;

inline std::string textOf(const uint8_t* data, size_t size)
{
    return std::string(reinterpret_cast<const char*>(data), size);
}

// The input as a command line: arguments separated by NUL bytes (a NUL cannot
// occur inside a real argument), at most seven, each cut as the programs cut it.
inline std::vector<std::string> argumentsOf(const uint8_t* data, size_t size)
{
    std::vector<std::string> arguments;
    if (size == 0) {
        return arguments;
    }
    std::string current;
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == 0) {
            arguments.push_back(current);
            current.clear();
        } else {
            current += static_cast<char>(data[i]);
        }
    }
    arguments.push_back(current);
    if (arguments.size() > 7) {
        arguments.resize(7);
    }
    for (std::string& argument : arguments) {
        if (argument.size() > argumentLimit) {
            argument.resize(argumentLimit);
        }
    }
    return arguments;
}

// "@@@@@ " + message + " @@@@@", the message at most `messageLimit` long.
inline void checkErrorLine(const std::string& line, size_t messageLimit)
{
    FUZZ_CHECK(line.size() >= 12 && line.compare(0, 6, "@@@@@ ") == 0 &&
                   line.compare(line.size() - 6, 6, " @@@@@") == 0,
               line);
    FUZZ_CHECK(line.size() - 12 <= messageLimit, line);
}

// Decimal digits, hexadecimal digits and their values, read independently of
// the programs' own parsers. `digits` holds only digits of the base.
inline bool referenceValue(const std::string& digits, int base, uint64_t limit, uint64_t& value)
{
    value = 0;
    for (char c : digits) {
        const int digit = (c >= '0' && c <= '9') ? c - '0' : (c >= 'a' && c <= 'f') ? c - 'a' + 10 : c - 'A' + 10;
        value = value * static_cast<uint64_t>(base) + static_cast<uint64_t>(digit);
        if (value > limit) {
            return false;
        }
    }
    return true;
}
