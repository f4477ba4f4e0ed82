#!/usr/bin/env bash
# For information, not a test: the time of one mardeluk run of the Windows
# build under a warm wineserver against the Linux build, both measured in
# the same run of this script on the same arguments.
#   tests/mardeluk/benchmark.sh LINUX_BUILD WINDOWS_BUILD [RUNS]
set -euo pipefail
source "$(dirname "$0")/../windows/private_dev_guard.sh"
if ! inside_private_dev; then
    exec bash "$(dirname "$0")/../windows/private_wine.sh" bash "$0" "$@"
fi
linux=$(realpath "$1")/mardeluk/mardeluk
windows=$(realpath "$2")/mardeluk/mardeluk.exe
runs=${3:-200}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

# Milliseconds per run of the command given, over `runs` runs.
per_run() {
    local start end
    start=$(date +%s%N)
    for _ in $(seq "$runs"); do
        "$@" 9600 BG 0.1 12 > /dev/null
    done
    end=$(date +%s%N)
    awk -v ns=$((end - start)) -v runs="$runs" 'BEGIN { printf "%.2f", ns / 1e6 / runs }'
}
linux_ms=$(per_run "$linux")
windows_ms=$(per_run wine "$windows")
printf '%-28s %10s\n' "mardeluk 9600 BG 0.1 12" "ms per run"
printf '%-28s %10s\n' "Linux build" "$linux_ms"
printf '%-28s %10s\n' "Windows build, warm wine" "$windows_ms"
printf '%-28s %10s\n' "ratio" "$(awk -v w="$windows_ms" -v l="$linux_ms" 'BEGIN { printf "%.1f", w / l }')"
