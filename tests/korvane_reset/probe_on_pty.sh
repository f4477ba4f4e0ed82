#!/usr/bin/env bash
# korvane-reset --probe end to end on a pseudo terminal against
# tests/support/pty_peer.pl's board at its own rate, with korvane.inc as
# mardeluk writes it for 57600 Baud at 11.0592 MHz: a board at that rate
# behind an inverted RTS reset (it talks during the direct RTS pulse), one
# with a 14.7456 MHz crystal (beside 14.31818 MHz), a dead one, one that
# answers 0.8 s after the release (and the probe again with the wait that
# the verdict names), and an --inc that names no file. Checks the verdict,
# its exit status, the resets against their bounds, one line a try and the
# lines left at rest; with --benchmark it also prints the time to the
# verdict against the targets (a timing: no check), and probes a 40 MHz
# board, the farthest crystal from korvane.inc's.
#   probe_on_pty.sh PROGRAM MODEM_LINE_LOG_SO UART_MODEL_TOOL MARDELUK [--benchmark]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
program=$1 preload=$2 tool=$3 mardeluk=$4 benchmark=${5:-}
work=$(mktemp -d)
peer=
trap '[ -z "$peer" ] || kill "$peer" 2> /dev/null; rm -rf "$work"' EXIT
cd "$work"
"$mardeluk" 57600 > /dev/null
failures=0

# run_probe LINE EDGE BOARD_RATE DELAY OPTION... -- PORT_ARGUMENTS...: the
# program's --probe on a pty with pty_peer.pl's board behind it, into out,
# err and status; the modem lines' changes in log.
run_probe() {
    local line=$1 edge=$2 rate=$3 delay=$4 options=()
    shift 4
    while [ "$1" != -- ]; do options+=("$1"); shift; done
    shift
    rm -f port log
    perl "$here/../support/pty_peer.pl" "$work/port" "$work/log" "$edge" "$line" "$rate" "$tool" "$delay" &
    peer=$!
    for _ in $(seq 200); do [ -L port ] && break; sleep 0.01; done
    status=0
    LD_PRELOAD=$preload KORVANE_MODEM_LINE_LOG=$work/log "$program" --probe "${options[@]}" "$work/port" "$@" \
        > out 2> err || status=$?
    kill "$peer"; wait "$peer" 2> /dev/null || true; peer=
}

# verdict NAME WANT GOT
verdict() {
    if [ "$3" = "$2" ]; then echo "ok: $1"; else printf 'FAILED: %s\n  expected: %s\n  got:      %s\n' "$1" "$2" "$3"; failures=$((failures + 1)); fi
}

# probe NAME LINE EDGE BOARD_RATE "STATUS|VERDICT" MOST_RESETS MOST_SECONDS REST_LINES [VERDICT_LINE [DELAY [OPTION [WIDTH]]]]
probe() {
    local start resets got
    start=$(date +%s%N)
    run_probe "$2" "$3" "$4" "${10:-20}" --expect='KORVANE ready' ${11:-} -- ${12:-}
    resets=$(grep -c '^try: ' err || true)
    got="$status|$(head -n 1 out)|$([ "$resets" -le "$6" ] && echo "at most $6 resets")|$(wc -l < err) lines"
    got+="|$(tail -n 1 log | cut -d ' ' -f 4)|$(grep -h -F -x -- "${9:-}" out err || true)"
    verdict "$1" "$5|at most $6 resets|$resets lines|$8|${9:-}" "$got"
    [ "$benchmark" != --benchmark ] ||
        printf 'benchmark: %s: %d resets (target at most %d), %d ms (target under %d s)\n' \
            "$1" "$resets" "$6" $((($(date +%s%N) - start) / 1000000)) "$7"
}

# The probe's own wait where only the benchmark measures it; else one that a
# loaded machine's peer meets.
wait_option=$([ "$benchmark" = --benchmark ] || echo --timeout=1.5)
probe "a board at korvane.inc's rate, RTS inverted" rts off 57600 \
    "0|found: the board answers at 57600 Baud after an RTS pulse, inverted" 7 5 002 "" 20 "$wait_option"
# It talks during the direct RTS pulse, 20 ms into it (a pulse long enough
# for the peer of a loaded machine).
probe "that board with pulses of 0.5 s" rts off 57600 \
    "0|found: the board answers at 57600 Baud after an RTS pulse, inverted" 7 10 002 \
    "try: 57600 Baud, an RTS pulse: nothing, 16 bytes during the pulse" 20 "$wait_option" 500
probe "a 14.7456 MHz board" dtr on 76800 "0|found: the board answers at 77113 Baud after a DTR pulse" 40 25 006 \
    "the board's clock is probably 14.7456 MHz; korvane.inc was written for 11.0592 MHz" 20 "$wait_option"
probe "a dead board" dtr on 0 "3|not found: no byte came after any of 12 resets" 13 8 006
probe "a board that answers 0.8 s after the release" dtr on 57600 \
    "3|not found: 'KORVANE ready' came at 57600 Baud after an RTS pulse, inverted, but not again on the next reset" \
    13 8 002 "" 800
wait_named=$(sed -n 's/.*the probe with a longer wait: korvane-reset --probe .* \(--timeout=[0-9.]*\) .*/\1/p' out)
probe "that board with the wait the verdict names ($wait_named)" dtr on 57600 \
    "0|found: the board answers at 57600 Baud after a DTR pulse" 7 10 006 "" 800 "$wait_named"
# An --inc that names no file, or one that is no korvane.inc: an error
# before the port is touched.
printf 'ORG 0\n' > other.inc
for case in "none.inc|cannot read $work/none.inc: No such file or directory" \
    "other.inc|$work/other.inc is not a korvane.inc that mardeluk wrote (line 1 is not one that mardeluk writes)"; do
    run_probe dtr on 57600 20 --expect=K "--inc=$work/${case%%|*}" --
    verdict "--inc=${case%%|*}" "1|korvane-reset: ${case#*|}|" "$status|$(cat out err)|$([ ! -s log ] || echo "the lines moved")"
done
if [ "$benchmark" = --benchmark ]; then
    probe "a 40 MHz board" dtr on 208333 "0|found: the board answers at 208781 Baud after a DTR pulse" 40 25 006
fi
[ "$failures" -eq 0 ] || { echo "$failures probe(s) failed"; exit 1; }
