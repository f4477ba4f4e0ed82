#!/usr/bin/env bash
# korvane-reset --probe end to end on a pseudo terminal, against the board of
# tests/support/probe_board.pl, with korvane.inc as mardeluk writes it for
# 57600 Baud at 11.0592 MHz: a board at that rate behind an inverted RTS
# reset, a board with a 12 MHz crystal, and a dead board. Checks the
# verdict, its exit status, the resets against their bounds and the lines
# left at rest; with --benchmark also the time to the verdict, against the
# targets (a timing, so not part of the test command's checks).
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

check() {
    if [ "$2" = "$3" ]; then
        echo "ok: $1"
    else
        printf 'FAILED: %s\n  expected: %s\n  got:      %s\n' "$1" "$2" "$3"
        failures=$((failures + 1))
    fi
}

# probe NAME LINE POLARITY BOARD_RATE STATUS FIRST_LINE MOST_RESETS MOST_SECONDS REST_LINES [VERDICT_LINE]
probe() {
    local name=$1 line=$2 polarity=$3 rate=$4 status=$5 first=$6 most=$7 seconds=$8 rest=$9 more=${10:-}
    rm -f port log
    perl "$here/../support/probe_board.pl" "$work/port" "$work/log" "$line" "$polarity" "$rate" "$tool" &
    peer=$!
    for _ in $(seq 200); do [ -L port ] && break; sleep 0.01; done
    local start end got=0
    start=$(date +%s%N)
    LD_PRELOAD=$preload KORVANE_MODEM_LINE_LOG=$work/log "$program" --probe --expect='KORVANE ready' "$work/port" \
        > out 2> err || got=$?
    end=$(date +%s%N)
    kill "$peer"; wait "$peer" 2> /dev/null || true; peer=
    local resets milliseconds
    resets=$(grep -c '^try: ' err || true)
    milliseconds=$(((end - start) / 1000000))
    check "$name: exit status and verdict" "$status|$first" "$got|$(head -n 1 out)"
    [ -z "$more" ] || check "$name: the crystal" "$more" "$(grep -F -- "$more" out || true)"
    check "$name: at most $most resets" yes "$([ "$resets" -ge 1 ] && [ "$resets" -le "$most" ] && echo yes || echo "no ($resets)")"
    check "$name: the lines at rest" "$rest" "$(tail -n 1 log | cut -d ' ' -f 4)"
    check "$name: every line of standard error a try" "$(wc -l < err)" "$resets"
    if [ "$benchmark" = --benchmark ]; then
        printf 'benchmark: %s: %d resets (target at most %d), %d ms (target under %d s)\n' \
            "$name" "$resets" "$most" "$milliseconds" "$seconds"
    fi
}

probe "a board at korvane.inc's rate, RTS inverted" rts inverted 57600 0 \
    "found: the board answers at 57600 Baud after an RTS pulse, inverted" 7 5 002
probe "a 12 MHz board" dtr direct 62500 0 "found: the board answers at 62500 Baud after a DTR pulse" 45 30 006 \
    "the board's clock is probably 12.0000 MHz; korvane.inc was written for 11.0592 MHz"
probe "a dead board" dtr direct 0 3 "not found: no byte came after any of 12 resets" 13 8 006

[ "$failures" -eq 0 ] || { echo "$failures check(s) failed"; exit 1; }
echo "all probe checks passed"
