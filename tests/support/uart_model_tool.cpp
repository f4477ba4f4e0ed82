// uart_model_tool BOARD_RATE PC_RATE HEX: what a PC at PC_RATE receives of
// the bytes HEX that a board sends at BOARD_RATE, as hexadecimal, for the
// page's tests and the probe's benchmark.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "uart_model.h"

int main(int argc, char* argv[])
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: uart_model_tool BOARD_RATE PC_RATE HEX\n");
        return 2;
    }
    const std::string hex = argv[3];
    std::string sent;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) {
        sent += static_cast<char>(std::strtoul(hex.substr(i, 2).c_str(), nullptr, 16));
    }
    for (const char c : uart_model::receivedBytes(sent, std::atof(argv[1]), std::atof(argv[2]))) {
        std::printf("%02x", static_cast<unsigned char>(c));
    }
    std::printf("\n");
    return 0;
}
