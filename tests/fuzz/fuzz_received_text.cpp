// What korvane-reset --expect shows of fuzzed bytes from a board: nothing
// but printable ASCII and line feeds, at most four characters a byte, the
// same whether the bytes come whole or in two pieces; and the text watch
// finds the text exactly where a search of the whole stream does.
#include "fuzz_support.h"
#include "reset/received_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0) {
        return 0;
    }
    // The first byte splits the rest in two pieces and sizes the watched text.
    const std::string bytes = textOf(data + 1, size - 1);
    const size_t split = bytes.empty() ? 0 : data[0] % (bytes.size() + 1);
    reset::ReceivedText whole;
    const std::string shown = whole.escaped(bytes);
    for (const char c : shown) {
        FUZZ_CHECK(c == '\n' || (c >= 0x20 && c < 0x7F), shown);
    }
    FUZZ_CHECK(shown.size() <= 4 * bytes.size(), shown);
    reset::ReceivedText pieces;
    const std::string shownInPieces = pieces.escaped(bytes.substr(0, split)) + pieces.escaped(bytes.substr(split));
    FUZZ_CHECK(shownInPieces == shown, shownInPieces);

    const std::string wanted = bytes.substr(0, 1 + data[0] % 8);
    reset::TextWatch watch{wanted, ""};
    const bool seen = watch.seen(bytes.substr(0, split)) || watch.seen(bytes.substr(split));
    FUZZ_CHECK(seen == (bytes.find(wanted) != std::string::npos), wanted);
    FUZZ_CHECK(watch.tail.size() < wanted.size() || seen, "the watch keeps no more than the text");
    return 0;
}
