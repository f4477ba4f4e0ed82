#include "reset/expect.h"

#include <algorithm>
#include <cstdint>

#include "reset/received_text.h"

namespace reset {

namespace {

PulseReport outcome(PulseOutcome kind, int detail, const char* step)
{
    return PulseReport{kind, detail, step};
}

PulseReport readFailure(const common::WaitResult& result)
{
    if (result.end == common::WaitEnd::EndingSignal) {
        return outcome(PulseOutcome::Interrupted, result.detail, "");
    }
    return driverFailure(result.detail, "reading the board's answer");
}

// One try: from the release of the reset until the text or the deadline,
// each piece shown escaped and counted into `heard`.
PulseReport waitForText(ReceiveLineDriver& line, const ExpectRequest& request,
                        const std::function<bool(const std::string&)>& show, reset::ReceivedText& shown, int& heard)
{
    reset::TextWatch watch{request.text, ""};
    bool taken = true;
    bool found = false;
    const int64_t deadline = line.monotonicMilliseconds() + request.milliseconds;
    const PulseReport read = readUntil(line, [deadline] { return deadline; }, [&](const std::string& bytes, int64_t) {
        heard += static_cast<int>(std::min<size_t>(bytes.size(), INT32_MAX - static_cast<size_t>(heard)));
        found = watch.seen(bytes);
        taken = show(shown.escaped(bytes));
        return taken && !found;
    });
    if (read.outcome != PulseOutcome::Done || !taken) {
        return taken ? read : outcome(PulseOutcome::AnswerNotShown, 0, "");
    }
    return found ? outcome(PulseOutcome::Done, 0, "") : outcome(PulseOutcome::NoAnswer, heard, "");
}

}  // namespace

// Some drivers write back the rate that their divisor really makes (cp210x
// on the CP2102N: 115384 for 115200); within 1 % that is the rate asked.
// Beyond, it is another rate, such as the old one that the 8250 keeps.
bool rateTaken(uint32_t asked, uint32_t kept)
{
    const uint64_t difference = asked > kept ? asked - kept : kept - asked;
    return difference * 100 <= asked;
}

PulseReport setLineRate(ReceiveLineDriver& line, uint32_t baud, bool keepHangupCleared)
{
    // A port with modem lines that refuses the settings refuses them for a
    // reason of its own, which the report keeps.
    const int error = line.configureLine(baud);
    if (error != 0) {
        return driverFailure(error, "setting the line's rate");
    }
    // Beyond its range a driver keeps another rate and says so only in the
    // settings: waiting at it would blame a silent board for the PC's port.
    uint32_t kept = 0;
    const int readError = line.readLineRate(kept);
    if (readError != 0 || !rateTaken(baud, kept)) {
        line.restoreLine(keepHangupCleared);
        return readError != 0 ? driverFailure(readError, "reading the line's rate back")
                              : outcome(PulseOutcome::RateRefused, static_cast<int>(kept), "");
    }
    return outcome(PulseOutcome::Done, 0, "");
}

PulseReport readUntil(ReceiveLineDriver& line, const std::function<int64_t()>& until,
                      const std::function<bool(const std::string&, int64_t)>& took)
{
    for (;;) {
        const int64_t left = until() - line.monotonicMilliseconds();
        if (left <= 0) {
            return outcome(PulseOutcome::Done, 0, "");
        }
        std::string bytes;
        const common::WaitResult read = line.readInput(bytes, static_cast<uint32_t>(std::min<int64_t>(left, UINT32_MAX)));
        if (read.end != common::WaitEnd::Elapsed) {
            return readFailure(read);
        }
        if (!bytes.empty() && !took(bytes, line.monotonicMilliseconds())) {
            return outcome(PulseOutcome::Done, 0, "");
        }
    }
}

PulseReport expectAnswer(ModemLineDriver& modemLines, ReceiveLineDriver& line, const ExpectRequest& request,
                         const ResetCall& resetBoard, const std::function<bool(const std::string&)>& show)
{
    // What the port is comes first, before any of its settings change.
    int present = 0;
    int error = modemLines.readModemLines(present);
    if (error != 0) {
        return firstCallFailure(error, PulseOutcome::NotModemPort, "reading the modem lines");
    }
    const PulseReport rate = setLineRate(line, request.baud, false);
    if (rate.outcome != PulseOutcome::Done) {
        return rate;
    }
    reset::ReceivedText shown;
    int heard = 0;
    PulseReport report = outcome(PulseOutcome::NoAnswer, 0, "");
    bool hangupCleared = false;
    for (uint32_t attempt = 0; attempt < request.tries && report.outcome == PulseOutcome::NoAnswer; ++attempt) {
        error = line.discardInput();
        if (error != 0) {
            report = driverFailure(error, "discarding old input");
            break;
        }
        report = resetBoard([&line] { return line.discardInput(); });
        hangupCleared = hangupCleared || report.hangupCleared;
        if (report.outcome == PulseOutcome::Done) {
            report = waitForText(line, request, show, shown, heard);
        }
    }
    line.restoreLine(hangupCleared);
    return report;
}

PulseReport resetOpenPort(OpenPort& port, ResetAction action, const Options& options,
                          const std::function<bool(const std::string&)>& show)
{
    if (action == ResetAction::PulseParallel) {
        ParallelDriver* parallel = port.parallel();
        return parallel != nullptr ? pulseParallel(*parallel, options.inverted, options.pulseWidth)
                                   : PulseReport{PulseOutcome::NotParallelPort, 0, ""};
    }
    ModemLineDriver& driver = port.modemLines();
    const SerialPlan plan = serialPlan(options);
    if (!options.expect) {
        return runSerial(driver, plan);
    }
    char last = '\n';
    const auto shown = [&last, &show](const std::string& text) {
        last = text.empty() ? last : text.back();
        return text.empty() || show(text);
    };
    const auto resetBoard = [&](const std::function<int()>& released) { return runSerial(driver, plan, released); };
    PulseReport report = expectAnswer(driver, port.receiveLine(), options.answer, resetBoard, shown);
    // The answer's last line feed is part of it: where that is lost too, the
    // board's outcome is not what the user got.
    const bool boardsOutcome = report.outcome == PulseOutcome::Done || report.outcome == PulseOutcome::NoAnswer;
    if (last != '\n' && !show("\n") && boardsOutcome) {
        report = PulseReport{PulseOutcome::AnswerNotShown, 0, ""};
    }
    return report;
}

}  // namespace reset
