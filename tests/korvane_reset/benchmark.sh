#!/usr/bin/env bash
# The pulse's overshoot: how much longer than asked DTR stays off, for the
# Windows build under wine on a COM port mapped to a pseudo terminal, and
# for the Linux build on the same pty, both traced by modem_line_log.so;
# the median and maximum of 10 pulses at 1, 10 and 100 ms. Runs in
# tests/windows/private_wine.sh's namespace. Not part of the test command.
#   tests/korvane_reset/benchmark.sh [LINUX_BUILD [WINDOWS_BUILD [WINDOWS_PROGRAMS_BUILD]]]
# (defaults build/release, build/win64 and build/win64-programs, which has
# the log library)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
windows_tests=$here/../windows
if [ "${1:-}" != --inside ]; then
    exec bash "$windows_tests/private_wine.sh" bash "$0" --inside \
        "$(realpath "${1:-build/release}")/korvane-reset/korvane-reset" \
        "$(realpath "${2:-build/win64}")/korvane-reset/korvane-reset.exe" \
        "$(realpath "${3:-build/win64-programs}")/tests/modem_line_log.so"
fi
source "$windows_tests/private_dev_guard.sh"
require_private_dev
linux=$2
exe=$3
preload=$4
runs=10
work=$(mktemp -d)
perl "$here/../support/pty_peer.pl" "$work/com7" &
peer=$!
trap 'kill "$peer"; bash "$windows_tests/map_com_port.sh" > /dev/null 2>&1 || true; rm -rf "$work"' EXIT
for _ in $(seq 100); do
    [ -L "$work/com7" ] && break
    sleep 0.01
done
pty=$(readlink "$work/com7")
bash "$windows_tests/map_com_port.sh" "COM7=$pty"

# overshoots PROGRAM PORT WIDTH: the overshoot of each of `runs` pulses, in ms.
overshoots() {
    for ((i = 0; i < runs; i++)); do
        rm -f "$work/log"
        LD_PRELOAD=$preload KORVANE_MODEM_LINE_LOG=$work/log "$@" > /dev/null
        awk -f "$here/../support/modem_line_changes.awk" "$work/log" | awk -v w="${*: -1}" 'NR == 2 { printf "%.3f\n", $1 - w }'
    done
}
# median and maximum of the numbers on standard input
summary() {
    sort -n | awk '{ v[NR] = $1 } END { printf "%.3f | %.3f", (v[int((NR + 1) / 2)] + v[int(NR / 2) + 1]) / 2, v[NR] }'
}

echo "| pulse | Linux median | Linux maximum | wine median | wine maximum |"
echo "|---:|---:|---:|---:|---:|"
for width in 1 10 100; do
    echo "| $width ms | $(overshoots "$linux" "$pty" "$width" | summary) | $(overshoots wine "$exe" COM7 "$width" | summary) |"
done
echo "(overshoot in ms: DTR off for longer than asked, from the log's CLOCK_MONOTONIC times; $runs pulses each)"
