#include "reset/sequence.h"

#include "common/digits.h"

namespace reset {

namespace {

bool readLevel(char c, int line, int& levels)
{
    if (c != '0' && c != '1') {
        return false;
    }
    levels |= c == '1' ? line : 0;
    return true;
}

bool readStep(const std::string& text, SequenceStep& step)
{
    step = SequenceStep{StepKind::Lines, 0, 0, 0};
    if (text.size() == 2 && (text[0] == 'D' || text[0] == 'R')) {
        step.lines = text[0] == 'D' ? dtrLine : rtsLine;
        step.call = text[1] == '1' ? LineCall::On : LineCall::Off;
        return readLevel(text[1], step.lines, step.levels);
    }
    if (text.size() == 4 && text[0] == 'U' && text[2] == ',') {
        step.lines = dtrLine | rtsLine;
        step.call = LineCall::Set;
        return readLevel(text[1], dtrLine, step.levels) && readLevel(text[3], rtsLine, step.levels);
    }
    if (text.size() >= 2 && text[0] == 'W') {
        step.kind = StepKind::Wait;
        return readSeconds(text.substr(1), maxStepMilliseconds, step.milliseconds);
    }
    return false;
}

int applied(const SequenceStep& step, int lines)
{
    return step.kind == StepKind::Lines ? (lines & ~step.lines) | step.levels : lines;
}

}  // namespace

bool readSeconds(const std::string& text, uint32_t limit, uint32_t& milliseconds)
{
    uint64_t whole = 0;
    uint64_t thousandths = 0;
    bool beyondThousandths = false;
    int digits = 0;
    int decimals = -1;  // -1 before the point
    for (char c : text) {
        if (c == '.' && decimals < 0) {
            decimals = 0;
        } else if (common::isDecimalDigit(c)) {
            ++digits;
            if (decimals < 0) {
                whole = whole * 10 + static_cast<uint64_t>(c - '0');
                if (whole > limit) {
                    return false;
                }
            } else if (++decimals <= 3) {
                thousandths = thousandths * 10 + static_cast<uint64_t>(c - '0');
            } else {
                beyondThousandths = beyondThousandths || c != '0';
            }
        } else {
            return false;
        }
    }
    for (int place = decimals < 0 ? 0 : decimals; place < 3; ++place) {
        thousandths *= 10;
    }
    const uint64_t total = whole * 1000 + thousandths + (beyondThousandths ? 1 : 0);
    if (digits == 0 || total > limit) {
        return false;
    }
    milliseconds = static_cast<uint32_t>(total);
    return true;
}

bool readSequence(const std::string& text, std::vector<SequenceStep>& steps, std::string& badStep)
{
    steps.clear();
    size_t start = 0;
    while (true) {
        const size_t bar = text.find('|', start);
        const std::string item = text.substr(start, bar == std::string::npos ? std::string::npos : bar - start);
        SequenceStep step{};
        if (!readStep(item, step)) {
            badStep = text.empty() ? text : item;
            return false;
        }
        steps.push_back(step);
        if (bar == std::string::npos) {
            return true;
        }
        start = bar + 1;
    }
}

int linesAfterSequence(const std::vector<SequenceStep>& steps, int linesBefore)
{
    int lines = linesBefore & restLines;
    for (const SequenceStep& step : steps) {
        lines = applied(step, lines);
    }
    return lines;
}

uint32_t sequenceMilliseconds(const std::vector<SequenceStep>& steps)
{
    uint32_t total = 0;
    for (const SequenceStep& step : steps) {
        total += step.milliseconds;
    }
    return total;
}

std::string sequenceErrorText(const std::string& badStep)
{
    return "invalid step in --sequence: '" + badStep +
           "' (D0, D1, R0, R1, U0,1 or a wait such as W0.05, separated by |)";
}

}  // namespace reset
