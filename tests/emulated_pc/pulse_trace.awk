# Checks what the emulated hardware saw during the runs that the guest marked,
# against what the guest says each run should have done.
#
#   awk -f pulse_trace.awk -v unplugged_at=SECONDS -v pc_rates="KEY=BAUD ..." RESULTS TRACE
#
# pc_rates: what korvane-baud says the PC makes of each rate that an
# --expect run asked for, KEY being ADAPTER:NOMINAL and BAUD its pc_baud
# (null where it makes none).
#
# RESULTS: the guest's results, with one line a marked run:
#   window N DEVICE WIDTH MASK EXPECT LABEL...
#     DEVICE  uart (the modem control register of COM1), ftdi (the adapter's
#             modem control requests) or parport (the data register)
#     WIDTH   the pulse width asked for, in ms
#     MASK    the lines that go off: 1 DTR, 2 RTS, 3 both (parport: 3)
#     EXPECT  pulse (a whole pulse), interrupted (a pulse ended early by a
#             signal), gone (lines off, then the adapter unplugged: nothing
#             more), none (no line touched at all), inverted (a whole pulse
#             of --invert: the lines on, then off to the end; on a parallel
#             port 0xAA, then 0x55), or seq:STATE@MS,... (a --sequence: the
#             last changes of the run are these states of the lines, each at
#             least MS after the one before it), or
#             answer:RELEASES:ADAPTER:NOMINAL (--expect: that many resets
#             released, DTR off and on again, each with the line at the rate
#             that korvane-baud says ADAPTER makes of NOMINAL, as the 8250's
#             divisor or the FTDI adapter's baud request gives it, in QEMU's
#             whole Baud; with 0 releases no line ever goes off, and the
#             last rate set is korvane-baud's, or not NOMINAL where it says
#             the PC makes none), or releases:RATE,... (--probe: a reset
#             released, DTR off and on again, at each of these rates of the
#             line in turn, and no other), or probe:BOARD (--probe of a
#             board at BOARD Baud: as many releases as the line "probed N
#             TRIES BELOW ABOVE" after it says, one of them at BELOW, below
#             BOARD, and one at ABOVE, above it: the verdict's rates beside
#             the window, as the program names them, in QEMU's whole Baud
#             or one less)
# TRACE: QEMU's trace, lines "PID@SECONDS.MICROSECONDS:event ...". The
# guest opens a run with 0xA5 (0xEE: the unplug run; 0xB0 to 0xB4: the runs
# that board_responder.pl answers) and closes it with 0x5A in COM1's scratch
# register.
#
# Prints "ok ..." or "FAILED ..." a run, "measured LABEL WIDTH MS" for every
# whole pulse, and last "trace checks: N passed, M failed".

function hexValue(text,    digits, value, i) {
    digits = "0123456789abcdef"
    text = tolower(text)
    sub(/^0x/, "", text)
    value = 0
    for (i = 1; i <= length(text); i++) {
        value = value * 16 + index(digits, substr(text, i, 1)) - 1
    }
    return value
}

function bit(value, weight) {
    return int(value / weight) % 2
}

# The state of the lines as bits: 1 DTR on, 2 RTS on. A parallel port's
# data register is "on" (3) with the rest pattern 0xAA and off with 0x55;
# any other value counts as 4, which is neither.
function linesOff(state, mask) {
    return !((bit(mask, 1) && bit(state, 1)) || (bit(mask, 2) && bit(state, 2)))
}

function linesOn(state) {
    return state == 3
}

function maskedOn(state, mask) {
    return (!bit(mask, 1) || bit(state, 1)) && (!bit(mask, 2) || bit(state, 2)) && state != 4
}

function record(window, state, raw) {
    count[window]++
    eventTime[window, count[window]] = microseconds
    eventState[window, count[window]] = state
    eventRaw[window, count[window]] = raw
    eventRate[window, count[window]] = (window in rate) ? rate[window] : "never set"
}

# Whether the rate QEMU reports (whole Baud, rounded down) is the one that
# korvane-baud gives for `key`; with none, whether it is not the nominal.
function rateAsSaid(got, key,    nominal) {
    nominal = substr(key, index(key, ":") + 1)
    if (pcBaud[key] == "null") return got != "never set" && got != nominal
    return got == int(pcBaud[key] + 0)
}

function pass(text) {
    passed++
    print "ok     " text
}

function fail(text) {
    failed++
    print "FAILED " text
}

BEGIN {
    count_ = split(pc_rates, entries, " ")
    for (e = 1; e <= count_; e++) {
        split(entries[e], pair, "=")
        pcBaud[pair[1]] = pair[2]
    }
}

FNR == NR {
    sub(/\r$/, "")
    if ($1 == "window") {
        window = $2
        device[window] = $3
        asked[window] = $4
        mask[window] = $5
        expect[window] = $6
        label[window] = $7
        for (i = 8; i <= NF; i++) {
            label[window] = label[window] " " $i
        }
        windows = window
    } else if ($1 == "probed") {
        tries[$2] = $3
        notBelow[$2] = $4
        notAbove[$2] = $5
    }
    next
}

{
    at = index($0, "@")
    colon = index($0, ":")
    stamp = substr($0, at + 1, colon - at - 1)
    split(stamp, parts, ".")
    microseconds = parts[1] * 1000000 + parts[2]
}

/:serial_write write addr 0x07 val / {
    value = hexValue($NF)
    if (value == 165 || value == 238 || (value >= 176 && value <= 180)) {
        current++
        inside = 1
        opened[current] = microseconds
    } else if (value == 90 && inside) {
        closed[current] = microseconds
        inside = 0
    }
    next
}

/:serial_update_parameters / {
    if (inside && device[current] == "uart" && match($0, /baudrate=[0-9]+/)) {
        rate[current] = substr($0, RSTART + 9, RLENGTH - 9)
    }
    next
}

/:usb_serial_set_baud / {
    if (inside && device[current] == "ftdi") {
        rate[current] = $NF
    }
    next
}

/:serial_write write addr 0x04 val / {
    if (inside && device[current] == "uart") {
        value = hexValue($NF)
        record(current, bit(value, 1) + 2 * bit(value, 2), $NF)
    }
    next
}

/:usb_serial_handle_control .* control 0x4001, value / {
    # The FTDI modem request: the high byte says which lines it sets, the
    # low byte to which level (bit 0 DTR, bit 1 RTS).
    value = hexValue($NF)
    for (weight = 1; weight <= 2; weight *= 2) {
        if (bit(int(value / 256), weight)) {
            adapter = adapter - bit(adapter, weight) * weight + bit(value % 256, weight) * weight
        }
    }
    if (inside && device[current] == "ftdi") {
        record(current, adapter, $NF)
    }
    next
}

/:parallel_ioport_write write .* addr 0x00 val / {
    if (inside && device[current] == "parport") {
        value = hexValue($NF)
        record(current, value == 170 ? 3 : (value == 85 ? 0 : 4), $NF)
    }
    next
}

END {
    if (current != windows) {
        fail("the trace holds " current + 0 " marked runs, the guest reported " windows + 0)
    }
    for (w = 1; w <= windows; w++) {
        n = count[w] + 0
        sequence = ""
        for (i = 1; i <= n; i++) {
            sequence = sequence (i > 1 ? " " : "") eventRaw[w, i]
        }
        what = "run " w " (" label[w] ", " device[w] " " sequence ")"
        if (!(w in closed)) {
            fail(what ": never closed")
            continue
        }
        # The pulse: the last time the lines went off.
        pulse = 0
        for (i = 1; i <= n; i++) {
            if (linesOff(eventState[w, i], mask[w]) && (i == 1 || !linesOff(eventState[w, i - 1], mask[w]))) {
                pulse = i
            }
        }
        if (expect[w] == "none") {
            if (n == 0) pass(what ": no line touched")
            else fail(what ": lines touched")
            continue
        }
        if (expect[w] == "gone") {
            late = (closed[w] - unplugged_at * 1000000) / 1000000
            if (pulse > 0 && pulse == n && unplugged_at != "" && late >= 0 && late <= 1.0) {
                pass(what ": lines off, adapter unplugged, run over " sprintf("%.3f", late) " s after the unplug")
            } else {
                fail(what ": want lines off and nothing after, run over within 1 s of the unplug (" \
                     (unplugged_at == "" ? "never unplugged" : sprintf("%.3f s", late)) ")")
            }
            continue
        }
        # The releases of DTR, each with the rate the line had at it.
        releases = 0
        rates = ""
        everOff = 0
        for (i = 1; i <= n; i++) {
            everOff = everOff || linesOff(eventState[w, i], mask[w])
            if (i > 1 && bit(eventState[w, i], 1) && !bit(eventState[w, i - 1], 1)) {
                releaseRate[++releases] = eventRate[w, i]
                rates = rates (rates == "" ? "" : " ") eventRate[w, i]
            }
        }
        if (expect[w] ~ /^releases:/) {
            wantRates = substr(expect[w], 10)
            gsub(/,/, " ", wantRates)
            if (rates == wantRates) pass(what ": releases at " rates)
            else fail(what ": want releases at " wantRates ", got " (rates == "" ? "none" : rates))
            continue
        }
        if (expect[w] ~ /^probe:/) {
            board = substr(expect[w], 7) + 0
            below = above = "-"
            for (i = 1; i <= releases; i++) {
                r = releaseRate[i] + 0
                if (r <= notBelow[w] + 0 && r >= notBelow[w] - 1) below = r
                if (r <= notAbove[w] + 0 && r >= notAbove[w] - 1) above = r
            }
            found = "releases " releases " at " rates "; below the window " below ", above it " above
            if (releases == tries[w] && below != "-" && above != "-" && below < board && board < above) {
                pass(what ": " found " (" tries[w] " tries, not at " notBelow[w] " or " notAbove[w] ")")
            } else {
                fail(what ": want releases " tries[w] ", at " notBelow[w] " < " board " < " notAbove[w] "; " found)
            }
            continue
        }
        if (expect[w] ~ /^answer:/) {
            split(expect[w], want, ":")
            key = want[3] ":" want[4]
            if (!(key in pcBaud)) {
                fail(what ": korvane-baud's rate for " key " is missing")
                continue
            }
            good = 1
            for (i = 1; i <= releases; i++) {
                good = good && rateAsSaid(releaseRate[i], key)
            }
            if (want[2] + 0 == 0) {
                # Refused: no line ever off; the rate as the driver kept it.
                last = (w in rate) ? rate[w] : "never set"
                good = !everOff && rateAsSaid(last, key)
                found = (everOff ? "a line went off" : "no line off") ", rate set " last
            } else {
                found = "releases " releases ", rate at each " (rates == "" ? "-" : rates)
            }
            said = "korvane-baud --adapter " want[3] " says " pcBaud[key] " for " want[4]
            if (releases == want[2] + 0 && good) pass(what ": " found "; " said)
            else fail(what ": want releases " want[2] " at the rate korvane-baud gives; " found "; " said)
            continue
        }
        if (expect[w] ~ /^seq:/) {
            # The changes of state, each at the time of its first write (a
            # driver may write the same state again, as the 8250 does on close).
            changes = 0
            for (i = 1; i <= n; i++) {
                if (i == 1 || eventState[w, i] != eventState[w, i - 1]) {
                    changes++
                    changeState[changes] = eventState[w, i]
                    changeTime[changes] = eventTime[w, i]
                }
            }
            k = split(substr(expect[w], 5), steps, ",")
            good = changes >= k
            late = ""
            for (j = 1; good && j <= k; j++) {
                split(steps[j], step, "@")
                i = changes - k + j
                good = changeState[i] == step[1] + 0
                if (good && j > 1) {
                    gap = (changeTime[i] - changeTime[i - 1]) / 1000
                    late = late sprintf("%s%.3f", late == "" ? "" : " ", gap)
                    good = gap >= step[2] + 0
                }
            }
            if (good) pass(what ": steps " expect[w] " with gaps " late " ms")
            else fail(what ": want the last changes " expect[w] " (gaps " late " ms)")
            continue
        }
        if (expect[w] == "inverted") {
            # The last switch of the lines to off, after which they stay off;
            # the pulse began with the event before it, which had them on.
            off = n
            while (off > 1 && linesOff(eventState[w, off - 1], mask[w])) off--
            if (n < 2 || off < 2 || !linesOff(eventState[w, n], mask[w]) || !maskedOn(eventState[w, off - 1], mask[w])) {
                fail(what ": want the lines on, then off, and off to the end")
                continue
            }
            width = (eventTime[w, off] - eventTime[w, off - 1]) / 1000
            shown = sprintf("%.3f ms", width)
            if (width >= asked[w]) pass(what ": inverted pulse " shown ", asked " asked[w] " ms")
            else fail(what ": inverted pulse " shown ", shorter than the " asked[w] " ms asked")
            printf "measured %s %d %.3f\n", label[w], asked[w], width
            continue
        }
        # Lines off, then DTR and RTS on with nothing in between, and
        # nothing after that switches a line off again.
        good = pulse > 0 && pulse < n && linesOn(eventState[w, pulse + 1])
        for (i = pulse + 2; good && i <= n; i++) {
            good = linesOn(eventState[w, i])
        }
        if (!good) {
            fail(what ": want lines off, then DTR and RTS on, and on to the end")
            continue
        }
        width = (eventTime[w, pulse + 1] - eventTime[w, pulse]) / 1000
        shown = sprintf("%.3f ms", width)
        if (expect[w] == "pulse") {
            if (width >= asked[w]) pass(what ": pulse " shown ", asked " asked[w] " ms")
            else fail(what ": pulse " shown ", shorter than the " asked[w] " ms asked")
            printf "measured %s %d %.3f\n", label[w], asked[w], width
        } else if (width < asked[w]) {
            pass(what ": cut to " shown " of " asked[w] " ms, lines back on")
        } else {
            fail(what ": " shown ", not cut short")
        }
    }
    printf "trace checks: %d passed, %d failed\n", passed, failed
}
