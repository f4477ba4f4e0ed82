#!/usr/bin/env bash
# korvane-reset --expect on pseudo terminals that play a board: with
# modem_line_log.so preloaded, a pty has DTR and RTS, and pty_peer.pl on its
# far side answers the release of the reset with the loader's banner. A
# board whose reset is wired the other way round answers during the pulse,
# which is no answer; --invert releases it at the pulse's end. Standard
# output that does not take the answer ends the run with status 4.
#   board_on_pty_test.sh KORVANE-RESET MODEM_LINE_LOG.SO
set -euo pipefail
[ $# -eq 2 ] || { echo "usage: board_on_pty_test.sh KORVANE-RESET MODEM_LINE_LOG.SO" >&2; exit 2; }
program=$1
preload=$2
support=$(cd "$(dirname "$0")/../support" && pwd)
work=$(mktemp -d)
peers=()
trap 'kill "${peers[@]}" 2> /dev/null || true; rm -rf "$work"' EXIT

source "$support/checks.sh"

# A board released when DTR comes back on, and one released when it goes off.
perl "$support/pty_peer.pl" "$work/board" "$work/board.log" on &
peers+=($!)
perl "$support/pty_peer.pl" "$work/inverted" "$work/inverted.log" off &
peers+=($!)
for name in board inverted; do
    for _ in $(seq 100); do
        [ -L "$work/$name" ] && break
        sleep 0.01
    done
done

# reset NAME ARGUMENT...: korvane-reset on the pty NAME, its log preloaded;
# sets status, out and err. The sanitizers' runtime need not come first.
reset() {
    local name=$1
    shift
    status=0
    LD_PRELOAD=$preload KORVANE_MODEM_LINE_LOG=$work/$name.log ASAN_OPTIONS=verify_asan_link_order=0 \
        "$program" "$@" "$work/$name" > "$work/out" 2> "$work/err" || status=$?
    out=$(cat "$work/out")
    err=$(cat "$work/err")
}

silent="korvane-reset: the board did not answer within 0.5 s at 9600 Baud: check the rate, the wiring and the reset polarity"
reset board --expect=KORVANE --baud=9600 --timeout=2
check "a board released at the pulse's end: status, escaped banner" '0|\x01KORVANE ready|' "$status|$out|$err"
reset inverted --expect=KORVANE --baud=9600 --timeout=0.5
check "a board that talks during the pulse: no answer" "3||$silent" "$status|$out|$err"
reset inverted --invert --expect=KORVANE --baud=9600 --timeout=2
check "the same board with --invert" '0|\x01KORVANE ready|' "$status|$out|$err"
status=0
LD_PRELOAD=$preload KORVANE_MODEM_LINE_LOG=$work/board.log ASAN_OPTIONS=verify_asan_link_order=0 \
    "$program" --expect=KORVANE --baud=9600 --timeout=2 "$work/board" > /dev/full 2> "$work/err" || status=$?
check "standard output full" "4|korvane-reset: standard output did not take the board's answer" "$status|$(cat "$work/err")"

checks_done
