#include "korvane-reset/pulse.h"

#include <cerrno>

#include "reset/sequence.h"

namespace korvane_reset {

bool deviceGone(int error)
{
    return error == EIO || error == ENODEV || error == ENXIO;
}

PulseReport driverFailure(int error, const char* step)
{
    return PulseReport{deviceGone(error) ? PulseOutcome::Disappeared : PulseOutcome::Failed, error, step};
}

PulseReport firstCallFailure(int error, PulseOutcome notThisKind, const char* step)
{
    if (error == ENOTTY || error == EINVAL) {
        return PulseReport{notThisKind, error, ""};
    }
    const PulseReport report = driverFailure(error, step);
    return report.outcome == PulseOutcome::Disappeared ? PulseReport{PulseOutcome::NoDevice, error, ""} : report;
}

namespace {

PulseReport done()
{
    return PulseReport{PulseOutcome::Done, 0, ""};
}

PulseReport interrupted(int signal)
{
    return PulseReport{PulseOutcome::Interrupted, signal, ""};
}

PulseReport readBackFailed()
{
    return PulseReport{PulseOutcome::ReadBackFailed, 0, ""};
}

// The port's settings before the pulse: HUPCL off, or the board would be
// held in reset as soon as the port is closed.
int keepLinesAfterClose(ModemLineDriver& driver)
{
    bool hangupOnClose = false;
    const int error = driver.readHangupOnClose(hangupOnClose);
    if (error != 0 || !hangupOnClose) {
        return error;
    }
    return driver.clearHangupOnClose();
}

// One call that leaves DTR and RTS as `wanted` and every other line (OUT2
// among them, which some UARTs need for their interrupts) as it is.
int setDtrAndRts(ModemLineDriver& driver, int wanted)
{
    int present = 0;
    const int error = driver.readModemLines(present);
    if (error != 0) {
        return error;
    }
    return driver.setModemLines((present & ~reset::restLines) | (wanted & reset::restLines));
}

// One line with TIOCMBIS or TIOCMBIC, both with one TIOCMSET.
int runLinesStep(ModemLineDriver& driver, const reset::SequenceStep& step)
{
    if (step.lines != reset::restLines) {
        return step.levels != 0 ? driver.switchOn(step.lines) : driver.switchOff(step.lines);
    }
    return setDtrAndRts(driver, step.levels);
}

// Every report once HUPCL is off, whatever comes after.
PulseReport withHangupCleared(PulseReport report)
{
    report.hangupCleared = true;
    return report;
}

// What pulseSerial and runSequence check first: modem lines, a signal that
// came before the reset (which then changes nothing, the port's settings
// included), and HUPCL off.
PulseReport prepareSerial(ModemLineDriver& driver, int& present)
{
    int error = driver.readModemLines(present);
    if (error != 0) {
        return firstCallFailure(error, PulseOutcome::NotModemPort, "reading the modem lines");
    }
    if (driver.endingSignal() != 0) {
        return interrupted(driver.endingSignal());
    }
    error = keepLinesAfterClose(driver);
    if (error != 0) {
        return driverFailure(error, "clearing HUPCL");
    }
    return withHangupCleared(done());
}

// The release's call, where there is one: 0 or a failure.
PulseReport announceRelease(const std::function<int()>& released)
{
    const int error = released ? released() : 0;
    return error != 0 ? driverFailure(error, "discarding what came during the reset") : done();
}

// pulseSerial once the port is prepared.
PulseReport pulsePrepared(ModemLineDriver& driver, int pulseLines, bool inverted, uint16_t milliseconds,
                          const std::function<int()>& released)
{
    int error = inverted ? driver.switchOn(pulseLines) : driver.switchOff(pulseLines);
    if (error != 0) {
        return driverFailure(error, inverted ? "switching the lines on" : "switching the lines off");
    }
    const common::WaitResult waited = driver.wait(milliseconds);
    // Back to rest first, whatever ended the wait.
    error = inverted ? driver.switchOff(pulseLines) : driver.switchOn(reset::restLines);
    if (waited.end == common::WaitEnd::CheckFailed) {
        return driverFailure(waited.detail, "waiting");
    }
    if (waited.end == common::WaitEnd::EndingSignal) {
        return interrupted(waited.detail);
    }
    if (error != 0) {
        return driverFailure(error, inverted ? "switching the lines off" : "switching the lines on");
    }
    const PulseReport release = announceRelease(released);
    if (release.outcome != PulseOutcome::Done) {
        return release;
    }
    int after = 0;
    error = driver.readModemLines(after);
    if (error != 0) {
        return driverFailure(error, "reading the lines back");
    }
    const bool atRest = inverted ? (after & pulseLines) == 0 : (after & reset::restLines) == reset::restLines;
    return atRest ? done() : readBackFailed();
}

// runSequence once the port is prepared; `last` is the state that the
// sequence ends in.
PulseReport runPrepared(ModemLineDriver& driver, const std::vector<reset::SequenceStep>& steps, int last,
                        const std::function<int()>& released)
{
    for (size_t index = 0; index < steps.size(); ++index) {
        const reset::SequenceStep& step = steps[index];
        if (step.kind == reset::StepKind::Lines) {
            const int error = runLinesStep(driver, step);
            if (error != 0) {
                return driverFailure(error, "setting the lines");
            }
        } else {
            const common::WaitResult waited = driver.wait(static_cast<uint16_t>(step.milliseconds));
            if (waited.end != common::WaitEnd::Elapsed) {
                // The state that the sequence ends in, whatever ended the wait.
                setDtrAndRts(driver, last);
                return waited.end == common::WaitEnd::EndingSignal ? interrupted(waited.detail)
                                                                   : driverFailure(waited.detail, "waiting");
            }
        }
        if (index == 0) {
            const PulseReport release = announceRelease(released);
            if (release.outcome != PulseOutcome::Done) {
                setDtrAndRts(driver, last);
                return release;
            }
        }
    }
    int after = 0;
    const int error = driver.readModemLines(after);
    if (error != 0) {
        return driverFailure(error, "reading the lines back");
    }
    return (after & reset::restLines) == last ? done() : readBackFailed();
}

}  // namespace

int linesOf(PulseLines lines)
{
    switch (lines) {
    case PulseLines::Rts:
        return reset::rtsLine;
    case PulseLines::Both:
        return reset::dtrLine | reset::rtsLine;
    case PulseLines::Dtr:
        break;
    }
    return reset::dtrLine;
}

int linesAtRest(PulseLines lines, bool inverted, const std::vector<reset::SequenceStep>& sequence)
{
    if (!sequence.empty()) {
        return reset::linesAfterSequence(sequence, reset::restLines);
    }
    return inverted ? reset::restLines & ~linesOf(lines) : reset::restLines;
}

PulseReport pulseSerial(ModemLineDriver& driver, PulseLines lines, bool inverted, uint16_t milliseconds,
                        const std::function<int()>& released)
{
    int present = 0;
    const PulseReport prepared = prepareSerial(driver, present);
    if (prepared.outcome != PulseOutcome::Done) {
        return prepared;
    }
    return withHangupCleared(pulsePrepared(driver, linesOf(lines), inverted, milliseconds, released));
}

PulseReport pulseParallel(ParallelDriver& driver, bool inverted, uint16_t milliseconds)
{
    const uint8_t pulsePattern = inverted ? parallelRestPattern : parallelPulsePattern;
    const uint8_t restPattern = inverted ? parallelPulsePattern : parallelRestPattern;
    int error = driver.claim();
    if (error == EBUSY) {
        return PulseReport{PulseOutcome::Busy, error, ""};
    }
    if (error != 0) {
        return firstCallFailure(error, PulseOutcome::NotParallelPort, "claiming the port");
    }
    PulseReport report = done();
    if (driver.endingSignal() != 0) {
        report = interrupted(driver.endingSignal());
    } else if ((error = driver.setDataForward()) != 0) {
        report = driverFailure(error, "switching the data lines to output");
    } else if ((error = driver.writeData(pulsePattern)) != 0) {
        report = driverFailure(error, "writing the data lines");
    } else {
        const common::WaitResult waited = driver.wait(milliseconds);
        uint8_t duringPulse = 0;
        const int readError = waited.end == common::WaitEnd::Elapsed ? driver.readData(duringPulse) : 0;
        error = driver.writeData(restPattern);
        uint8_t afterPulse = 0;
        if (waited.end == common::WaitEnd::CheckFailed) {
            report = driverFailure(waited.detail, "waiting");
        } else if (waited.end == common::WaitEnd::EndingSignal) {
            report = interrupted(waited.detail);
        } else if (readError != 0 || error != 0) {
            report = driverFailure(readError != 0 ? readError : error, "writing and reading the data lines");
        } else if (duringPulse != pulsePattern) {
            report = readBackFailed();
        } else if ((error = driver.readData(afterPulse)) != 0) {
            report = driverFailure(error, "reading the data lines back");
        } else if (afterPulse != restPattern) {
            report = readBackFailed();
        }
    }
    driver.release();
    return report;
}

PulseReport runSequence(ModemLineDriver& driver, const std::vector<reset::SequenceStep>& steps,
                        const std::function<int()>& released)
{
    int present = 0;
    const PulseReport prepared = prepareSerial(driver, present);
    if (prepared.outcome != PulseOutcome::Done) {
        return prepared;
    }
    return withHangupCleared(runPrepared(driver, steps, reset::linesAfterSequence(steps, present), released));
}

}  // namespace korvane_reset
