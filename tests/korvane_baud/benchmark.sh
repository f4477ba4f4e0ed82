#!/usr/bin/env bash
# Wall time of korvane-baud's two big questions beside one run of mardeluk,
# in the same run, as the median of 50 runs each; the ratio is what counts
# on a noisy machine. Not part of the test command.
#   tests/korvane_baud/benchmark.sh [BUILD_FOLDER]     (default build/release)
set -euo pipefail
build=$(realpath "${1:-build/release}")
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cd "$scratch"
runs=50

# Median wall time of `runs` runs of the command, in milliseconds.
median_ms() {
    local times=() start end
    for ((i = 0; i < runs; i++)); do
        start=$(date +%s%N)
        "$@" > /dev/null || [ $? -eq 2 ]
        end=$(date +%s%N)
        times+=($(((end - start) / 1000)))
    done
    printf '%s\n' "${times[@]}" | sort -n | awk '{ v[NR] = $1 } END { printf "%.2f", (v[int((NR + 1) / 2)] + v[int(NR / 2) + 1]) / 2000 }'
}

baseline=$(median_ms "$build/mardeluk/mardeluk" 9600 T2 1 12)
search=$(median_ms "$build/korvane-baud/korvane-baud" --rate 9600,19200,57600,115200)
clocks=$(median_ms "$build/korvane-baud/korvane-baud" --clock 11.0592,12,14.7456,22.1184)
echo "| run (median of $runs) | wall time | against mardeluk |"
echo "|---|---:|---:|"
echo "| mardeluk 9600 T2 1 12 | $baseline ms | 1.00 |"
awk -v b="$baseline" -v s="$search" -v c="$clocks" 'BEGIN {
    printf "| korvane-baud --rate 9600,19200,57600,115200 (27 crystals, 5 generators) | %s ms | %.2f |\n", s, s / b
    printf "| korvane-baud --clock 11.0592,12,14.7456,22.1184 (10 rates, 5 generators) | %s ms | %.2f |\n", c, c / b
}'
