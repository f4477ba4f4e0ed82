// What the board sends, as the user sees it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "reset/received_text.h"

namespace reset {
namespace {

TEST(ReceivedText, PrintableAsItIsLineEndsKeptTheRestEscaped)
{
    const struct {
        std::vector<std::string> pieces;
        const char* shown;
    } cases[] = {
        {{"KORVANE V1.1\r\n"}, "KORVANE V1.1\n"},
        {{"a\r", "\nb"}, "a\nb"},  // CR LF split across two reads
        {{"\r\r\n\n"}, "\n\n\n"},
        {{std::string("\x00\xff\x1b[0m\x7f\t", 8)}, "\\x00\\xFF\\x1B[0m\\x7F\\x09"},
        {{"~ }"}, "~ }"},
    };
    for (const auto& c : cases) {
        ReceivedText received;
        std::string shown;
        for (const std::string& piece : c.pieces) {
            shown += received.escaped(piece);
        }
        EXPECT_EQ(shown, c.shown);
    }
}

}  // namespace
}  // namespace reset
