#include "reset/run.h"

#include <cerrno>

namespace reset {

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
    return driver.setModemLines((present & ~restLines) | (wanted & restLines));
}

int runLinesStep(ModemLineDriver& driver, const SequenceStep& step)
{
    switch (step.call) {
    case LineCall::Off:
        return driver.switchOff(step.lines);
    case LineCall::On:
        return driver.switchOn(step.lines);
    case LineCall::Set:
        break;
    }
    return setDtrAndRts(driver, step.levels);
}

// What a failed lines step was doing: a pulse says which way the lines went.
const char* stepFailure(const SerialPlan& plan, const SequenceStep& step)
{
    if (plan.restore == Restore::EndState) {
        return "setting the lines";
    }
    return step.call == LineCall::Off ? "switching the lines off" : "switching the lines on";
}

// The lines back after a step that did not end well: `last` is the state
// that the steps end in.
void restoreLines(ModemLineDriver& driver, const SerialPlan& plan, int last)
{
    if (plan.restore == Restore::LastStep) {
        runLinesStep(driver, plan.steps.back());
    } else {
        setDtrAndRts(driver, last);
    }
}

// Every report once HUPCL is off, whatever comes after.
PulseReport withHangupCleared(PulseReport report)
{
    report.hangupCleared = true;
    return report;
}

// What runSerial checks first: modem lines, a signal that
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

// runSerial once the port is prepared.
PulseReport runPrepared(ModemLineDriver& driver, const SerialPlan& plan, int last, const std::function<int()>& released)
{
    for (size_t index = 0; index < plan.steps.size(); ++index) {
        const SequenceStep& step = plan.steps[index];
        if (step.kind == StepKind::Lines) {
            const int error = runLinesStep(driver, step);
            if (error != 0) {
                return driverFailure(error, stepFailure(plan, step));
            }
        } else {
            const common::WaitResult waited = driver.wait(static_cast<uint16_t>(step.milliseconds));
            if (waited.end != common::WaitEnd::Elapsed) {
                // Back to rest first, whatever ended the wait.
                restoreLines(driver, plan, last);
                return waited.end == common::WaitEnd::EndingSignal ? interrupted(waited.detail)
                                                                   : driverFailure(waited.detail, "waiting");
            }
        }
        if (index == plan.releaseAfter) {
            const PulseReport release = announceRelease(released);
            if (release.outcome != PulseOutcome::Done) {
                // A pulse is released by its last step: only a sequence has lines to put back.
                if (plan.restore == Restore::EndState) {
                    restoreLines(driver, plan, last);
                }
                return release;
            }
        }
    }
    int after = 0;
    const int error = driver.readModemLines(after);
    if (error != 0) {
        return driverFailure(error, "reading the lines back");
    }
    return (after & plan.checkedLines) == (last & plan.checkedLines) ? done() : readBackFailed();
}

}  // namespace

PulseReport runSerial(ModemLineDriver& driver, const SerialPlan& plan, const std::function<int()>& released)
{
    int present = 0;
    const PulseReport prepared = prepareSerial(driver, present);
    if (prepared.outcome != PulseOutcome::Done) {
        return prepared;
    }
    return withHangupCleared(runPrepared(driver, plan, linesAfterSequence(plan.steps, present), released));
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

}  // namespace reset
