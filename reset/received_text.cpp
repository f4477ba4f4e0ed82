#include "reset/received_text.h"

#include "reset/fields.h"

namespace reset {

namespace {

char hexDigit(unsigned value)
{
    return "0123456789ABCDEF"[value & 0xF];
}

// A byte as a terminal may show it: printable ASCII itself, else \xNN.
void appendShown(unsigned char byte, std::string& text)
{
    if (byte >= 0x20 && byte < 0x7F) {
        text += static_cast<char>(byte);
    } else {
        text += std::string("\\x") + hexDigit(byte >> 4) + hexDigit(byte);
    }
}

}  // namespace

std::string escapedLine(const std::string& bytes)
{
    std::string text;
    for (const char c : bytes) {
        appendShown(static_cast<unsigned char>(c), text);
    }
    return text;
}

std::string ReceivedText::escaped(const std::string& bytes)
{
    std::string text;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        const bool lineFeedOfCrLf = byte == '\n' && afterCarriageReturn;
        afterCarriageReturn = byte == '\r';
        if (lineFeedOfCrLf) {
            continue;
        }
        if (byte == '\r' || byte == '\n') {
            text += '\n';
        } else {
            appendShown(byte, text);
        }
    }
    return text;
}

bool TextWatch::seen(const std::string& bytes)
{
    tail += bytes;
    if (tail.find(wanted) != std::string::npos) {
        return true;
    }
    // Only the end can still begin the text.
    if (tail.size() >= wanted.size()) {
        tail.erase(0, tail.size() - (wanted.size() - 1));
    }
    return false;
}

std::string noAnswerText(const std::string& timeoutText, uint32_t baud, uint32_t tries, size_t heard,
                         const std::string& text)
{
    const std::string when = " within " + timeoutText + " s at " + std::to_string(baud) + " Baud" +
                             (tries > 1 ? " in " + std::to_string(tries) + " tries" : "");
    // The text quoted as the shell would take it, and always quoted.
    const std::string word = shellWord(escapedLine(text));
    const std::string quoted = word.front() == '\'' ? word : "'" + word + "'";
    const std::string what = heard == 0 ? "the board did not answer" + when
                                        : "the board sent " + std::to_string(heard) + (heard == 1 ? " byte" : " bytes") +
                                              when + ", but not " + quoted;
    return what + ": check the rate, the wiring and the reset polarity";
}

}  // namespace reset
