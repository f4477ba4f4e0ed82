// uart_model_tool BOARD_RATE PC_RATE HEX [ADAPTER]: what a PC at PC_RATE
// receives of the bytes HEX that a board sends at BOARD_RATE, as
// hexadecimal, for the page's tests and the probe's benchmark. With ADAPTER
// (korvane-baud's names: 16550, ftdi, ch340) PC_RATE is the rate asked of
// that adapter's driver, and the line runs at the rate it makes of it
// (nothing comes where it makes none).
#include <cstdio>
#include <cstdlib>
#include <string>

#include "survey/pc_adapters.h"
#include "uart_model.h"

int main(int argc, char* argv[])
{
    survey::Adapter adapter = survey::Adapter::Exact;
    if ((argc != 4 && argc != 5) || (argc == 5 && !survey::findAdapter(argv[4], adapter))) {
        std::fprintf(stderr, "usage: uart_model_tool BOARD_RATE PC_RATE HEX [ADAPTER]\n");
        return 2;
    }
    const std::string hex = argv[3];
    std::string sent;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) {
        sent += static_cast<char>(std::strtoul(hex.substr(i, 2).c_str(), nullptr, 16));
    }
    const survey::PcRate wire = survey::pcRate(adapter, std::atof(argv[2]));
    const std::string received = wire.made ? uart_model::receivedBytes(sent, std::atof(argv[1]), wire.baud) : "";
    for (const char c : received) {
        std::printf("%02x", static_cast<unsigned char>(c));
    }
    std::printf("\n");
    return 0;
}
