#!/usr/bin/env bash
# Runs two builds of mardeluk (for example x86-64 and 32-bit x86) on the same
# argument sets and compares standard output, standard error, exit status and
# korvane.inc byte for byte. The sets include exact ties of the generator
# models, where extended and double precision must be kept apart exactly.
#   compare_builds.sh MARDELUK_A MARDELUK_B
set -euo pipefail
first=$(realpath "$1")
second=$(realpath "$2")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

corpus="$work/corpus"
{
    # Worked examples and edge cases.
    cat <<'LIST'
9600
9600 T1 1 12
19200 BG 1 12
9600 T2 1 12
12500 T2 5 4.992
3936 T1 5 15.48288
1500 BG 5 2.5
38400 D1 5 11.0592
38400 D1 2 25
9600 D1 3 12
57600 D1
115200 D1 5 11.0592
1 T2 1 2.097152
112.5 T1
168.75 BA
0.5 T1 1 0.000192
9600 T1 -0
9600 T1 0.0001
1E400
1E99999999999999999999
0E999999
9600 T1 1 1E302
1e300 T2 1 1e250
9600 T1 1 12.00005
9600 T1 1 12.00015
9600 T1 1 0.00005
9999.96 BG 5 24.99992
LIST
    awk 'BEGIN {
        srand(20261208)
        split("T1 T2 BG BA D1", kinds, " ")
        split("110 150 300 600 1200 2400 4800 9600 14400 19200 28800 38400 57600 62500 76800 115200 230400", rates, " ")
        split("1.8432 3.6864 7.3728 11.0592 12 14.7456 16 18.432 20 22.1184 24 25 33 40", clocks, " ")
        # Exact ties of timer 2: the mean of the rates at n and n + 1.
        for (n = 1; n <= 300; n++)
            for (nominal = 1200; nominal <= 120000; nominal += 100) {
                hz = 64 * nominal * n * (n + 1) / (2 * n + 1)
                if (hz == int(hz) && hz < 100000000) { printf "%d T2 5 %d.%06d\n", nominal, int(hz / 1000000), hz % 1000000; break }
            }
        # Exact ties of the timer 1 candidates: count q without SMOD, 2q + 1 with.
        for (q = 1; q <= 127; q++)
            for (nominal = 300; nominal <= 120000; nominal += 12) {
                hz = 768 * nominal * q * (2 * q + 1) / (4 * q + 1)
                if (hz == int(hz) && hz < 100000000) { printf "%d T1 5 %d.%06d\n", nominal, int(hz / 1000000), hz % 1000000; break }
            }
        # Exact ties of the 80535 generator.
        for (k = 1; k <= 40; k++) printf "%d BG 5 %d.%06d\n", 3 * k * 100, int(500000 * k / 1000000), (500000 * k) % 1000000
        # Random settings.
        for (i = 0; i < 1500; i++) {
            r = rand()
            if (r < 0.5) rate = rates[1 + int(rand() * 17)]
            else if (r < 0.8) rate = 1 + int(rand() * 250000)
            else rate = sprintf("%.3f", rand() * 5000)
            clock = (rand() < 0.5) ? clocks[1 + int(rand() * 14)] : sprintf("%.6f", 0.5 + rand() * 49.5)
            accuracy = sprintf("%.3f", rand() * 5)
            printf "%s %s %s %s %X %X\n", rate, kinds[1 + int(rand() * 5)], accuracy, clock, int(rand() * 65536), int(rand() * 65536)
        }
    }'
} > "$corpus"

run_one() {  # program folder arguments...: leaves out, err, status and korvane.inc in folder
    local program=$1 folder=$2
    shift 2
    mkdir -p "$folder"
    (cd "$folder" && { status=0; "$program" "$@" > out 2> err || status=$?; echo "$status" > status; })
}

compared=0
mismatches=0
while IFS= read -r line; do
    read -r -a arguments <<< "$line"
    rm -rf "$work/a" "$work/b"
    run_one "$first" "$work/a" "${arguments[@]}"
    run_one "$second" "$work/b" "${arguments[@]}"
    if ! diff -r "$work/a" "$work/b" > "$work/diff"; then
        mismatches=$((mismatches + 1))
        if [ "$mismatches" -le 5 ]; then
            echo "MISMATCH: mardeluk $line"
            head -20 "$work/diff"
        fi
    fi
    compared=$((compared + 1))
done < "$corpus"

echo "compared $compared runs of mardeluk: $mismatches with different output"
[ "$mismatches" -eq 0 ]
