// Reset, then wait until the board answers: the loader announces itself on
// the serial line once it runs. The wait reads what arrives, shows it safely
// escaped, and looks for the text asked for; without it in time the reset is
// tried again, up to a number of tries (the escaping and the search are
// reset/received_text.h). Pure: the port comes through the two driver
// interfaces, the reset as a call, the shown text as a callback.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "reset/options.h"
#include "reset/plan.h"
#include "reset/port.h"
#include "reset/run.h"

namespace reset {

// The reset of one try: `released` is to be called at the moment from which
// the board's text counts (runSerial's `released`).
using ResetCall = std::function<PulseReport(const std::function<int()>& released)>;

// Whether a driver took the rate asked, by the rate it kept: within 1 %.
bool rateTaken(uint32_t asked, uint32_t kept);

// Sets the line to the rate, 8N1, raw, without flow control, and reads the
// rate back: a driver that kept a rate more than 1 % away (the 8250 keeps
// the old one above 115200 Baud, ftdi_sio takes 9600 above 3 MBaud) gives
// RateRefused with the rate kept, the settings put back as they were
// (HUPCL still cleared, `keepHangupCleared`). A refused setting is a
// failure with the system's reason. Else Done.
PulseReport setLineRate(ReceiveLineDriver& line, uint32_t baud, bool keepHangupCleared);

// Reads what comes until the time that `until` gives, asked again after
// each read: each piece goes to `took` with the time it came; false from it
// ends the read. A failure of the port or an ending signal ends it at once
// with that report; else Done.
PulseReport readUntil(ReceiveLineDriver& line, const std::function<int64_t()>& until,
                      const std::function<bool(const std::string&, int64_t)>& took);

// Checks that the port has modem lines (`modemLines`), sets the rate
// (setLineRate: a rate refused ends it before any reset). Then for each try it discards what came before, resets
// with `resetBoard`, discards again at the release (what a board wired the other
// way round sends during the pulse is no answer) and reads until the text
// has arrived or the time is up. `show` gets what arrives, escaped; when it
// answers false (standard output is full or closed) the wait ends with
// AnswerNotShown. The port's settings are put back
// whatever the outcome: with HUPCL still cleared once a reset has cleared it
// (PulseReport::hangupCleared), else exactly as they were. Done: the text
// came; NoAnswer: it never did (its detail: how many bytes came without
// it). A failure of the reset, a port that goes
// away (Disappeared) or an ending signal (Interrupted) end the wait at once.
PulseReport expectAnswer(ModemLineDriver& modemLines, ReceiveLineDriver& line, const ExpectRequest& request,
                         const ResetCall& resetBoard, const std::function<bool(const std::string&)>& show);

// The reset of a run on its opened port: the parallel pulse, or the serial
// plan, with --expect the wait for the answer, whose text `show` gets as it
// comes, ended by a line feed (a lost line feed is AnswerNotShown too).
PulseReport resetOpenPort(OpenPort& port, ResetAction action, const Options& options,
                          const std::function<bool(const std::string&)>& show);

}  // namespace reset
