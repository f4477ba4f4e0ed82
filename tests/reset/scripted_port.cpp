#include "reset/scripted_port.h"

#include "reset/plan.h"
#include "survey/link_survey.h"
#include "uart_model.h"

#include <algorithm>
#include <cstdio>

namespace reset {

namespace {

std::string hex(unsigned value)
{
    char text[16];
    std::snprintf(text, sizeof text, "%02X", value);
    return text;
}

}  // namespace

int ScriptedPort::readModemLines(int& value)
{
    value = lines;
    return call("TIOCMGET", "TIOCMGET");
}

int ScriptedPort::readHangupOnClose(bool& on)
{
    on = hangupOnClose;
    return call("HUPCL?", "HUPCL?");
}

int ScriptedPort::clearHangupOnClose()
{
    const int error = call("HUPCL off", "HUPCL off");
    if (error == 0) {
        hangupOnClose = false;
    }
    return error;
}

int ScriptedPort::switchOff(int which)
{
    const int error = call("TIOCMBIC", "TIOCMBIC " + hex(static_cast<unsigned>(which)));
    const int before = lines;
    if (error == 0) {
        lines &= ~(which & keptLines);
    }
    linesChanged(before);
    return error;
}

int ScriptedPort::switchOn(int which)
{
    const int error = call("TIOCMBIS", "TIOCMBIS " + hex(static_cast<unsigned>(which)));
    const int before = lines;
    if (error == 0) {
        lines |= which & keptLines;
    }
    linesChanged(before);
    return error;
}

int ScriptedPort::setModemLines(int value)
{
    const int error = call("TIOCMSET", "TIOCMSET " + hex(static_cast<unsigned>(value)));
    const int before = lines;
    if (error == 0) {
        lines = (lines & ~keptLines) | (value & keptLines);
    }
    linesChanged(before);
    return error;
}

int ScriptedPort::configureLine(uint32_t baud)
{
    log.push_back("TCSETS2 " + std::to_string(baud) + (configureError != 0 ? " fails" : ""));
    if (configureError == 0) {
        const std::vector<double>& standard = survey::standardRates();
        const bool taken = !standardRatesOnly || std::find(standard.begin(), standard.end(), baud) != standard.end();
        lineBaud_ = keptBaud != 0 ? keptBaud : fastestBaud != 0 && baud > fastestBaud ? lineBaud_ : taken ? baud : 38400;
    }
    return configureError;
}

int ScriptedPort::readLineRate(uint32_t& baud)
{
    baud = lineBaud_;
    return call("TCGETS2", "TCGETS2 " + std::to_string(baud));
}

int ScriptedPort::restoreLine(bool keepHangupCleared)
{
    return call("restore", keepHangupCleared ? "TCSETS2 as before" : "TCSETS2 exactly as before");
}

int ScriptedPort::discardInput()
{
    const int error = call("TCFLSH", "TCFLSH");
    if (error == 0) {
        takeArrived();
        buffered_.clear();
    }
    return error;
}

int64_t ScriptedPort::monotonicMilliseconds()
{
    return clock;
}

common::WaitResult ScriptedPort::readInput(std::string& bytes, uint32_t milliseconds)
{
    if (++reads_ == failingRead) {
        log.push_back("read fails");
        return readEnd;
    }
    takeArrived();
    if (buffered_.empty() && !timed_.empty() && timed_.front().first <= clock + milliseconds) {
        clock = std::max(clock, timed_.front().first);
        takeArrived();
    }
    if (!buffered_.empty()) {
        bytes = buffered_;
        buffered_.clear();
        log.push_back("read " + std::to_string(bytes.size()));
        return common::WaitResult{common::WaitEnd::Elapsed, 0};
    }
    auto& pieces = answers[pulses_];
    if (!pieces.empty() && release_ + pieces.front().first <= clock + milliseconds) {
        clock = std::max(clock, release_ + pieces.front().first);
        bytes = pieces.front().second;
        pieces.erase(pieces.begin());
        log.push_back("read " + std::to_string(bytes.size()));
        return common::WaitResult{common::WaitEnd::Elapsed, 0};
    }
    clock += milliseconds;
    log.push_back("read nothing");
    return common::WaitResult{common::WaitEnd::Elapsed, 0};
}

int ScriptedPort::claim()
{
    return call("PPCLAIM", "PPCLAIM");
}

int ScriptedPort::setDataForward()
{
    return call("PPDATADIR", "PPDATADIR forward");
}

int ScriptedPort::writeData(uint8_t value)
{
    const int error = call("PPWDATA", "PPWDATA " + hex(value));
    if (error == 0) {
        data = static_cast<uint8_t>((value & keptData) | (data & ~keptData));
    }
    return error;
}

int ScriptedPort::readData(uint8_t& value)
{
    value = data;
    return call("PPRDATA", "PPRDATA " + hex(data));
}

int ScriptedPort::release()
{
    return call("PPRELEASE", "PPRELEASE");
}

int ScriptedPort::endingSignal()
{
    return signalBeforePulse;
}

common::WaitResult ScriptedPort::wait(uint16_t milliseconds)
{
    log.push_back("wait " + std::to_string(milliseconds));
    clock += milliseconds;
    ++pulses_;
    release_ = clock;
    buffered_ += duringPulse[pulses_];
    takeArrived();
    return waitResult;
}

void ScriptedPort::linesChanged(int before)
{
    if (!board) {
        return;
    }
    const auto held = [this](int state) { return ((state & board->line) != 0) == board->inverted; };
    if (!held(before) && held(lines)) {
        // Held in reset, the board sends nothing more.
        timed_.erase(std::remove_if(timed_.begin(), timed_.end(), [this](const auto& t) { return t.first > clock; }),
                     timed_.end());
    }
    if (!held(before) || held(lines)) {
        return;
    }
    ++releases;
    const bool answers = !board->dead && (board->answersFor == 0 || releases <= board->answersFor);
    if (answers) {
        const survey::PcRate wire = survey::pcRate(adapter, lineBaud_);
        timed_.emplace_back(clock + board->delay, uart_model::receivedBytes(board->banner, board->rate, wire.baud));
    }
}

void ScriptedPort::takeArrived()
{
    while (!timed_.empty() && timed_.front().first <= clock) {
        buffered_ += timed_.front().second;
        timed_.erase(timed_.begin());
    }
}

int ScriptedPort::call(const std::string& kind, const std::string& entry)
{
    const int number = ++counts_[kind];
    const auto error = errors.find(kind + "#" + std::to_string(number));
    log.push_back(entry + (error != errors.end() ? " fails" : ""));
    return error != errors.end() ? error->second : 0;
}

Options pulseOptions(PulseLines lines, bool inverted, uint16_t milliseconds)
{
    Options options;
    options.lines = lines;
    options.inverted = inverted;
    options.pulseWidth = milliseconds;
    return options;
}

Options sequenceOptions(const std::string& text)
{
    Options options;
    readOption(Option::Sequence, text, options);
    return options;
}

PulseReport resetOn(ModemLineDriver& port, const Options& options, const std::function<int()>& released)
{
    return runSerial(port, serialPlan(options), released);
}

}  // namespace reset
