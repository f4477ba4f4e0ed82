#include "uart_model.h"

#include <cmath>

namespace uart_model {

namespace {

constexpr int bitsPerFrame = 10;  // start, eight data bits, stop
constexpr int samplesPerBit = 16;

// The line's level at `seconds` after the first start bit: idle (high)
// before and after the frames.
bool lineHigh(const std::string& sent, double boardRate, double seconds)
{
    if (seconds < 0) {
        return true;
    }
    const double bit = std::floor(seconds * boardRate);
    if (bit >= static_cast<double>(sent.size()) * bitsPerFrame) {
        return true;
    }
    const size_t index = static_cast<size_t>(bit);
    const size_t inFrame = index % bitsPerFrame;
    if (inFrame == 0) {
        return false;
    }
    if (inFrame == bitsPerFrame - 1) {
        return true;
    }
    const unsigned byte = static_cast<unsigned char>(sent[index / bitsPerFrame]);
    return ((byte >> (inFrame - 1)) & 1) != 0;
}

}  // namespace

std::string receivedBytes(const std::string& sent, double boardRate, double pcRate)
{
    std::string received;
    const double sample = 1.0 / (pcRate * samplesPerBit);
    // One idle frame of the PC's after the last of the board's bits.
    const double end = static_cast<double>(sent.size()) * bitsPerFrame / boardRate + bitsPerFrame / pcRate;
    const auto high = [&](double n) { return lineHigh(sent, boardRate, n * sample); };
    double n = 0;
    while (n * sample < end) {
        if (high(n)) {
            n += 1;
            continue;
        }
        const double start = n;
        if (high(start + samplesPerBit / 2)) {
            n += 1;  // a glitch, not a start bit
            continue;
        }
        unsigned byte = 0;
        for (int bit = 0; bit < 8; ++bit) {
            byte |= high(start + samplesPerBit / 2 + samplesPerBit * (bit + 1)) ? 1u << bit : 0;
        }
        const double stop = start + samplesPerBit / 2 + samplesPerBit * 9;
        received += static_cast<char>(byte);
        n = stop + 1;
        if (byte == 0 && !high(stop)) {
            while (n * sample < end && !high(n)) {
                n += 1;  // a break ends when the line is high again
            }
        }
    }
    return received;
}

}  // namespace uart_model
