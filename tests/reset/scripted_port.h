// A port for korvane-reset's tests whose state follows the calls: modem
// lines, HUPCL and the data register, each line of `keptLines` and bit of
// `keptData` keeping what was written. It is the modem lines, the receiving
// line and the parallel port at once. Every call is logged; `errors` makes
// the n-th call of a kind ("TIOCMGET#2") fail with an errno.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "reset/expect.h"
#include "reset/modem_lines.h"
#include "reset/options.h"
#include "reset/run.h"
#include "survey/pc_adapters.h"

namespace reset {

class ScriptedPort final : public reset::ModemLineDriver, public reset::ReceiveLineDriver, public reset::ParallelDriver {
public:
    int lines = 0;
    int keptLines = reset::dtrLine | reset::rtsLine;
    bool hangupOnClose = true;
    uint8_t data = 0;
    uint8_t keptData = 0xFF;
    std::map<std::string, int> errors;
    common::WaitResult waitResult{common::WaitEnd::Elapsed, 0};
    int signalBeforePulse = 0;
    std::vector<std::string> log;

    // --expect: what the board sends after each release, by pulse (1 is the
    // first), at ms after the release; time is this port's own clock.
    std::map<int, std::vector<std::pair<int64_t, std::string>>> answers;
    // What the board sends while pulse n holds the line (a board wired the
    // other way round, released by the pulse's first edge): it waits in the
    // input buffer until a read or TCFLSH.
    std::map<int, std::string> duringPulse;
    int failingRead = 0;  // the read that ends with readEnd instead
    common::WaitResult readEnd{common::WaitEnd::Elapsed, 0};
    int configureError = 0;
    uint32_t keptBaud = 0;  // the rate the driver holds after TCSETS2; 0: the one asked
    int64_t clock = 0;

    // A board on the far side: held in reset while its line is off (on,
    // inverted), it sends its banner at its own rate `delay` ms after each
    // release, unless it is held again before, as the PC's UART at the
    // line's rate receives it (uart_model.h); a dead board sends nothing.
    // `answersFor` limits how many releases it answers (0: every one).
    struct Board {
        int line = dtrLine;
        bool inverted = false;
        double rate = 57600;
        std::string banner = "KORVANE ready\r\n";
        bool dead = false;
        int answersFor = 0;
        int64_t delay = 1;
    };
    std::optional<Board> board;
    uint32_t fastestBaud = 0;  // above it the driver keeps the rate it had (0: none)
    bool standardRatesOnly = false;  // others run at 38400 Baud, as wine's COM driver runs them
    // The line's rate on the wire is what this driver makes of the one set.
    survey::Adapter adapter = survey::Adapter::Exact;
    int releases = 0;          // the board's releases so far

    int readModemLines(int& value) override;
    int readHangupOnClose(bool& on) override;
    int clearHangupOnClose() override;
    int switchOff(int which) override;
    int switchOn(int which) override;
    int setModemLines(int value) override;

    int configureLine(uint32_t baud) override;
    int readLineRate(uint32_t& baud) override;
    int restoreLine(bool keepHangupCleared) override;
    int discardInput() override;
    int64_t monotonicMilliseconds() override;
    common::WaitResult readInput(std::string& bytes, uint32_t milliseconds) override;

    int claim() override;
    int setDataForward() override;
    int writeData(uint8_t value) override;
    int readData(uint8_t& value) override;
    int release() override;

    int endingSignal() override;
    common::WaitResult wait(uint16_t milliseconds) override;

private:
    int reads_ = 0;
    uint32_t lineBaud_ = 9600;
    std::vector<std::pair<int64_t, std::string>> timed_;  // the board's bytes, by when they arrive
    void linesChanged(int before);
    void takeArrived();
    int pulses_ = 0;
    int64_t release_ = 0;
    std::string buffered_;
    std::map<std::string, int> counts_;
    int call(const std::string& kind, const std::string& entry);
};

// The options of a plain pulse, and of a sequence read as --sequence reads
// it (a text that is none leaves the pulse, which every log tells apart).
Options pulseOptions(PulseLines lines, bool inverted, uint16_t milliseconds);
Options sequenceOptions(const std::string& text);

// The reset of `options` on the port, as korvane-reset runs it.
PulseReport resetOn(ModemLineDriver& port, const Options& options, const std::function<int()>& released = {});

}  // namespace reset
