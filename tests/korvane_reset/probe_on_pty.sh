#!/usr/bin/env bash
# korvane-reset --probe end to end on a pseudo terminal against
# tests/support/pty_peer.pl's board at its own rate, with korvane.inc as
# mardeluk writes it for 57600 Baud at 11.0592 MHz: a board at that rate
# behind an inverted RTS reset, one with a 12 MHz crystal, and a dead one.
# Checks the verdict, its exit status, the resets against their bounds, one
# line a try and the lines left at rest; with --benchmark it also prints the
# time to the verdict against the targets (a timing: no check).
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

# probe NAME LINE EDGE BOARD_RATE "STATUS|VERDICT" MOST_RESETS MOST_SECONDS REST_LINES [VERDICT_LINE]
probe() {
    rm -f port log
    perl "$here/../support/pty_peer.pl" "$work/port" "$work/log" "$3" "$2" "$4" "$tool" &
    peer=$!
    for _ in $(seq 200); do [ -L port ] && break; sleep 0.01; done
    local start status=0 resets got want
    start=$(date +%s%N)
    LD_PRELOAD=$preload KORVANE_MODEM_LINE_LOG=$work/log "$program" --probe --expect='KORVANE ready' "$work/port" \
        > out 2> err || status=$?
    kill "$peer"; wait "$peer" 2> /dev/null || true; peer=
    resets=$(grep -c '^try: ' err || true)
    got="$status|$(head -n 1 out)|$([ "$resets" -le "$6" ] && echo "at most $6 resets")|$(wc -l < err) lines"
    got+="|$(tail -n 1 log | cut -d ' ' -f 4)|$(grep -F -x -- "${9:-}" out || true)"
    want="$5|at most $6 resets|$resets lines|$8|${9:-}"
    if [ "$got" = "$want" ]; then echo "ok: $1"; else printf 'FAILED: %s\n  expected: %s\n  got:      %s\n' "$1" "$want" "$got"; failures=$((failures + 1)); fi
    [ "$benchmark" != --benchmark ] ||
        printf 'benchmark: %s: %d resets (target at most %d), %d ms (target under %d s)\n' \
            "$1" "$resets" "$6" $((($(date +%s%N) - start) / 1000000)) "$7"
}

probe "a board at korvane.inc's rate, RTS inverted" rts off 57600 \
    "0|found: the board answers at 57600 Baud after an RTS pulse, inverted" 7 5 002
probe "a 12 MHz board" dtr on 62500 "0|found: the board answers at 62500 Baud after a DTR pulse" 45 30 006 \
    "the board's clock is probably 12.0000 MHz; korvane.inc was written for 11.0592 MHz"
probe "a dead board" dtr on 0 "3|not found: no byte came after any of 12 resets" 13 8 006
[ "$failures" -eq 0 ] || { echo "$failures probe(s) failed"; exit 1; }
