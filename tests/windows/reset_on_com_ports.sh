#!/usr/bin/env bash
# korvane-reset.exe on COM ports that wine maps to pseudo terminals, inside
# private_wine.sh. modem_line_log.so, preloaded into wine, gives the ptys
# modem lines and logs every call with its time: the log is the trace of
# the pulse. Checks the pulse's order and width (never short; the overshoot
# is printed), --invert, a --sequence, --expect against a peer that answers
# each release, one that stays silent and one that answers during the pulse
# (a board wired the other way round), --probe against a board behind RTS
# at 19200 Baud (pty_peer.pl), --list and --list --json, which open
# no port, Ctrl-C during a long pulse, and the pty closed under a pulse.
#   reset_on_com_ports.sh KORVANE-RESET.EXE MODEM_LINE_LOG.SO UART_MODEL_TOOL
set -euo pipefail
[ $# -eq 3 ] || { echo "usage: reset_on_com_ports.sh KORVANE-RESET.EXE MODEM_LINE_LOG.SO UART_MODEL_TOOL" >&2; exit 2; }
exe=$1
preload=$2
uart_model=$3
here=$(cd "$(dirname "$0")" && pwd)
source "$here/private_dev_guard.sh"
require_private_dev
work=$(mktemp -d)
peers=()
finish() {
    for pid in "${peers[@]}"; do
        kill "$pid" 2> /dev/null || true
    done
    bash "$here/map_com_port.sh" > /dev/null 2>&1 || true
    rm -rf "$work"
}
trap finish EXIT

passed=0
failed=0
# check WHAT EXPECTED ACTUAL
check() {
    if [ "$2" = "$3" ]; then
        passed=$((passed + 1))
        echo "ok: $1"
    else
        failed=$((failed + 1))
        printf 'FAILED: %s\n  expected: %s\n  got:      %s\n' "$1" "$2" "$3"
    fi
}

# peer NAME [ARGUMENT...]: a pty at $work/NAME (pty_peer.pl LINK ARGUMENT...);
# sets NAME_peer to its process.
peer() {
    perl "$here/../support/pty_peer.pl" "$work/$1" "${@:2}" &
    peers+=($!)
    printf -v "${1}_peer" '%s' "$!"
}

# reset LOG ARGUMENT...: korvane-reset.exe with the log; sets status, out
# and err (console CRs removed).
reset() {
    local log=$1
    shift
    status=0
    LD_PRELOAD=$preload KORVANE_MODEM_LINE_LOG=$log wine "$exe" "$@" > "$work/out" 2> "$work/err" || status=$?
    out=$(tr -d '\r' < "$work/out")
    err=$(tr -d '\r' < "$work/err")
}

# The states that DTR and RTS went through, from both on, and the
# milliseconds from change N to N+1 (modem_line_changes.awk).
states() {
    awk -f "$here/../support/modem_line_changes.awk" "$1" | awk '{ print $2 }' | paste -sd ' '
}
gap() {
    awk -f "$here/../support/modem_line_changes.awk" "$1" | awk -v n="$2" 'NR == n + 1 { print $1 }'
}
# never_short WHAT LOG N MILLISECONDS: change N+1 no sooner than asked after N.
never_short() {
    local width
    width=$(gap "$2" "$3")
    check "$1: $4 ms or more" yes "$(awk -v w="$width" -v m="$4" 'BEGIN { print (w >= m) ? "yes" : "no" }')"
    echo "   $1: $width ms for $4 ms, overshoot $(awk -v w="$width" -v m="$4" 'BEGIN { printf "%.3f", w - m }') ms"
}
# wait_until COMMAND...: until the command succeeds, 30 s at most (for a
# loaded machine; it returns as soon as the command does).
wait_until() {
    for _ in $(seq 3000); do
        "$@" && return 0
        sleep 0.01
    done
    return 1
}
# has_changes LOG N: the log shows N changes of the lines.
has_changes() {
    [ -f "$1" ] && [ "$(awk -f "$here/../support/modem_line_changes.awk" "$1" | wc -l)" -ge "$2" ]
}

# COM7 stays silent but in runs logged to com7.log, where it answers when
# DTR goes off; COM8 answers each release of DTR with the banner, COM9 is
# closed under a pulse and COM10 during the wait for the answer.
peer com7 "$work/com7.log" off
peer com8 "$work/com8.log"
peer com9
peer com10
peer com11 "$work/com11.log" on rts 19200 "$uart_model"
for name in com7 com8 com9 com10 com11; do
    wait_until test -L "$work/$name" || true
done
bash "$here/map_com_port.sh" "COM7=$(readlink "$work/com7")" "COM8=$(readlink "$work/com8")" \
    "COM9=$(readlink "$work/com9")" "COM10=$(readlink "$work/com10")" "COM11=$(readlink "$work/com11")"

reset "$work/pulse.log" COM7 20
check "COM7 20: status and output" "0||" "$status|$out|$err"
check "COM7 20: DTR off, then DTR and RTS on" "004 006" "$(states "$work/pulse.log")"
never_short "COM7 20" "$work/pulse.log" 1 20

reset "$work/lower.log" com7: 100
check "com7: 100: status" "0" "$status"
never_short "com7: 100" "$work/lower.log" 1 100

# Inverted, RTS rests off: the open puts it there before the pulse.
reset "$work/invert.log" --invert --line=rts '\\.\COM7' 30
check "--invert --line=rts: status and output" "0||" "$status|$out|$err"
check "--invert --line=rts: RTS off at open, on for the pulse, off" "002 006 002" "$(states "$work/invert.log")"
never_short "--invert --line=rts 30" "$work/invert.log" 2 30

reset "$work/sequence.log" '--sequence=R0|D0|W0.05|D1|W0.02|R1' COM7
check "--sequence: status and output" "0||" "$status|$out|$err"
check "--sequence: RTS off, DTR off, DTR on, RTS on" "002 000 002 006" "$(states "$work/sequence.log")"
never_short "--sequence W0.05" "$work/sequence.log" 2 50
never_short "--sequence W0.02" "$work/sequence.log" 3 20

# A board that answers at once ends each wait at once: the long timeouts
# only keep a loaded machine from failing the test.
reset "$work/com8.log" --expect=KORVANE --baud=57600 --timeout=10 COM8
check "--expect on a board that answers: status, escaped text" '0|\x01KORVANE ready|' "$status|$out|$err"
check "--expect on a board that answers: one pulse" "004 006" "$(states "$work/com8.log")"
status=0
LD_PRELOAD=$preload KORVANE_MODEM_LINE_LOG=$work/com8.log wine "$exe" --expect=KORVANE --baud=57600 --timeout=10 COM8 \
    > /dev/full 2> "$work/err" || status=$?
check "--expect with standard output full" "4|korvane-reset: standard output did not take the board's answer" \
    "$status|$(tr -d '\r' < "$work/err")"

reset "$work/silent.log" --expect=KORVANE --baud=9600 --timeout=0.3 --tries=2 COM7
check "--expect on a silent board: status and line" \
    "3||korvane-reset: the board did not answer within 0.3 s at 9600 Baud in 2 tries: check the rate, the wiring and the reset polarity" \
    "$status|$out|$err"
check "--expect --tries=2 on a silent board: two pulses" "004 006 004 006" "$(states "$work/silent.log")"

# A board wired the other way round talks during the pulse: no answer. With
# --invert the pulse's end releases it.
reset "$work/com7.log" --expect=KORVANE --baud=9600 --timeout=0.3 COM7
check "--expect on a board that talks during the pulse: no answer" \
    "3||korvane-reset: the board did not answer within 0.3 s at 9600 Baud: check the rate, the wiring and the reset polarity" \
    "$status|$out|$err"
reset "$work/com7.log" --invert --expect=KORVANE --baud=9600 --timeout=10 COM7
check "--expect --invert on that board: status, escaped text" '0|\x01KORVANE ready|' "$status|$out|$err"

# The probe: the wirings at the first rate until bytes come, then the rates;
# wine's driver runs no rate beside the standard ones, so the window's edges
# stay unknown and the verdict says so.
# Each try waits 2 s rather than 0.5: a loaded machine may start the board's
# side late.
reset "$work/com11.log" --probe --expect=KORVANE --baud=9600,19200 --timeout=2 COM11
check "--probe on a board behind RTS at 19200 Baud: status and verdict" \
    "0|found: the board answers at 19200 Baud after an RTS pulse|the port's driver makes no rate nearer the window's edges|again: korvane-reset --expect=KORVANE --baud=19200 --line=rts --timeout=2 COM11" \
    "$status|$(sed -n 1p <<< "$out")|$(sed -n 3p <<< "$out")|$(grep '^again: ' <<< "$out")"
check "--probe: one line a try" \
    "try: 9600 Baud, a DTR pulse: nothing|try: 9600 Baud, a DTR pulse, inverted: nothing|try: 9600 Baud, an RTS pulse: N bytes without the text|try: 19200 Baud, an RTS pulse: the text|skipped 17952 Baud: the port's driver keeps 38400 Baud|skipped 20736 Baud: the port's driver keeps 38400 Baud|try: 19200 Baud, an RTS pulse: the text (again, to confirm)" \
    "$(sed 's/: [0-9]* bytes/: N bytes/' <<< "$err" | paste -sd '|')"
# wine switches DTR and RTS on one after the other.
check "--probe: five resets, the lines left at rest" "004 006 004 000 002 006 002 006 002 006" \
    "$(states "$work/com11.log")"

# wine 8 runs a rate outside the standard ones at 38400 Baud: the driver
# keeps another rate, and the run ends before any reset.
reset "$work/rate.log" --expect=KORVANE --baud=250000 COM7
check "--baud=250000, which wine's driver does not make: status, line, no reset" \
    "1|korvane-reset: cannot run COM7 at 250000 Baud: its driver keeps 38400 Baud|" "$status|$err|$(states "$work/rate.log")"

# Opening a COM port moves DTR and RTS, which resets a board: --list opens
# none, as inotify watching COM7's pty sees; a reset then shows that it would.
inotifywait -m -e open --format %e "$(readlink "$work/com7")" > "$work/opens" 2> "$work/inotify" &
watcher=$!
peers+=("$watcher")
wait_until grep -qs 'Watches established' "$work/inotify" || true
unknown='access unknown: --list opens no port'
reset "$work/list.log" --list
check "--list: the mapped ports" \
    "0|$(printf 'COM7\t-\tserial port\t%s\nCOM8\t-\tserial port\t%s\nCOM9\t-\tserial port\t%s\nCOM10\t-\tserial port\t%s\nCOM11\t-\tserial port\t%s' "$unknown" "$unknown" "$unknown" "$unknown" "$unknown")|" \
    "$status|$out|$err"
reset "$work/list.log" --list --json
check "--list --json: five ports, COM7 first, none known to be free" "0|5|COM7|5" \
    "$status|$(grep -c '"device": "COM' <<< "$out")|$(sed -n 's/.*"device": "\(COM[0-9]*\)".*/\1/p' <<< "$out" | head -1)|$(grep -c '"may_open": null' <<< "$out")"
check "--list and --list --json: COM7's pty never opened" "" "$(cat "$work/opens")"
reset "$work/list.log" COM7 1
wait_until grep -qs OPEN "$work/opens" || true
check "a reset on COM7: its pty opened" "0|yes" "$status|$(grep -q OPEN "$work/opens" && echo yes)"
kill "$watcher"

reset "$work/missing.log" COM30
check "an unmapped COM port" "1|korvane-reset: no such port: COM30" "$status|$err"
reset "$work/missing.log" ttyS0
check "a name that is no COM port" "1|korvane-reset: no such port: ttyS0" "$status|$err"

# Without the log a pty has no modem lines: wine's GetCommModemStatus fails
# with ERROR_NOT_SUPPORTED, as Linux's TIOCMGET does with ENOTTY.
status=0
wine "$exe" COM7 > "$work/out" 2> "$work/err" || status=$?
check "a bare pty" "1|korvane-reset: not a serial port with modem control lines: COM7" "$status|$(tr -d '\r' < "$work/err")"

# Ctrl-C: wine runs the console's control handlers on SIGINT; the program
# ends as Ctrl-C ends it, with STATUS_CONTROL_C_EXIT (0xC000013A). The
# status is read as a Windows parent gets it, from cmd: wineserver kills a
# process whose Linux side has not exited within a second or less of its
# end, which on a loaded machine turns the shell's status 58 into 137.
printf '@"%s" COM7 10000\r\n@echo exit code %%errorlevel%%\r\n' "$(winepath -w "$exe")" > "$work/interrupt.bat"
LD_PRELOAD=$preload KORVANE_MODEM_LINE_LOG=$work/interrupt.log wine cmd /c "$(winepath -w "$work/interrupt.bat")" \
    > "$work/out" 2>&1 &
runner=$!
if wait_until has_changes "$work/interrupt.log" 1; then
    kill -INT "$(pgrep -f 'korvane-reset.exe COM7 10000')"
fi
wait "$runner" || true
check "Ctrl-C during a 10 s pulse: STATUS_CONTROL_C_EXIT" "exit code -1073741510" "$(tr -d '\r' < "$work/out")"
check "Ctrl-C during a 10 s pulse: DTR back on" "004 006" "$(states "$work/interrupt.log")"
check "Ctrl-C during a 10 s pulse: ended well before its end" yes \
    "$(awk -v w="$(gap "$work/interrupt.log" 1)" 'BEGIN { print (w < 5000) ? "yes" : "no" }')"

# The pty's other side closed during the pulse, as an adapter unplugged.
LD_PRELOAD=$preload KORVANE_MODEM_LINE_LOG=$work/gone.log wine "$exe" COM9 5000 > "$work/out" 2> "$work/err" &
program=$!
if wait_until has_changes "$work/gone.log" 1; then
    kill "$com9_peer"
fi
status=0
wait "$program" || status=$?
check "COM9 closed under the pulse" "1|korvane-reset: port disappeared: COM9 (Input/output error)" \
    "$status|$(tr -d '\r' < "$work/err")"

LD_PRELOAD=$preload KORVANE_MODEM_LINE_LOG=$work/wait.log wine "$exe" --expect=KORVANE --baud=9600 --timeout=5 COM10 \
    > "$work/out" 2> "$work/err" &
program=$!
if wait_until has_changes "$work/wait.log" 2; then
    sleep 0.2
    kill "$com10_peer"
fi
status=0
wait "$program" || status=$?
check "COM10 closed during the wait for the answer" "1|korvane-reset: port disappeared: COM10 (Input/output error)" \
    "$status|$(tr -d '\r' < "$work/err")"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
