#!/usr/bin/env bash
# Runs several builds of mardeluk and korvane-baud (x86-64, 32-bit x86, 64-bit
# and 32-bit ARM, 64-bit Windows under wine) on the same argument sets and compares standard output,
# standard error, exit status and korvane.inc byte for byte with the first
# build. The sets
# include exact ties of the generator models, where extended and double
# precision must be kept apart exactly, and numbers whose printed digits
# only the exact extended format decides.
#   compare_builds.sh NAME=MARDELUK,KORVANE_BAUD NAME=MARDELUK,KORVANE_BAUD...
# A program may be a script that starts it under an emulator or wine (then
# inside tests/windows/private_wine.sh).
set -euo pipefail
[ $# -ge 2 ] || { echo "usage: compare_builds.sh NAME=MARDELUK,KORVANE_BAUD NAME=MARDELUK,KORVANE_BAUD..." >&2; exit 2; }
names=()
programs=()
baud_programs=()
for build in "$@"; do
    names+=("${build%%=*}")
    pair=${build#*=}
    programs+=("$(realpath "${pair%%,*}")")
    baud_programs+=("$(realpath "${pair#*,}")")
done
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
300.125
300.375 T2
1000.25 T1 5 3.6864
10.0625 T2 5 0.1
1.03125 T2 5 0.001
10000.5 T2
9600 T1 0.125
9600 T1 0.375 11.0592
9600 T1 1 12.74355
9600 T2 1 11.05925
9600 T2 1 3.68645
9600 T1 2.005
9600.0000000000000001
9600.00000000000000049 T2 1 12.000000000000000001
1234.5678901234567890 T2 5 7.3728000000000000001
115199.99999999999999 T2 5 11.059199999999999999
0.99999999999999999999 T2 5 0.000032
1E-300 T2
4.9E-324 T1
1E-320 T2 1 1E-300
2.2250738585072014E-308 BA
1.7976931348623157E308 T2 5 1.7976931348623157E302
1.7976931348623158E308
9600 T2 1 1E-300
9600 T2 1 1.7976931348623157E302
1E-4932
1E-4950 T1
-1E-4932 T1
9600 T1 1E-4940
9600 T1 -1E-4932
123456789E-4940 T2
1E4932
1.18973149535723176502E4932
1.2E4932 T2
0.0000000000000000000000000000000000000001E4970 T2
100000000000000000000000000000000000000000000000000E-40 T1 5 1E-30
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
        # Numbers of 17 to 20 significant digits, and halves at the last
        # printed digit of rate, clock and accuracy.
        for (i = 0; i < 150; i++) {
            digits = ""
            for (d = 0; d < 17 + int(rand() * 4); d++) digits = digits int(rand() * 10)
            point = 1 + int(rand() * 8)
            mhz = sprintf("%d.%05d5", 1 + int(rand() * 40), int(rand() * 100000))
            printf "%s.%s %s %d.%03d5 %s\n", substr(digits, 1, point) + 0, substr(digits, point + 1),
                kinds[1 + int(rand() * 5)], int(rand() * 5), int(rand() * 1000), mhz
            printf "%d.%s %s 5 %s\n", 100 + int(rand() * 900), (rand() < 0.5 ? "125" : "375"), kinds[1 + int(rand() * 5)], mhz
        }
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
} | sed 's/^/mardeluk /' > "$corpus"
# korvane-baud's JSON and text answers: the survey of whole crystal lists and
# of clocks with many digits goes through the same extended arithmetic.
{
    cat <<'LIST'
--json --clock 11.0592,12,14.31818 --adapter ftdi
--json --rate 9600,115200 --adapter ch340
--json --rate 300,1200,19200,57600 --adapter 16550 -a 0.5
--json --clock 3.579545,40 --rate 110,75000,230400,921600 --adapter ch340 -a 5
--clock 12 --adapter ftdi
--rate 9600,57600 -g T2,BA,D1
LIST
    awk 'BEGIN {
        srand(20261209)
        split("exact 16550 ftdi ch340", adapters, " ")
        for (i = 0; i < 60; i++)
            printf "--json --clock %.6f,%.3f --rate %.2f,%d --adapter %s -a %.3f\n", 0.5 + rand() * 49.5,
                1 + rand() * 39, 50 + rand() * 250000, 300 * (1 + int(rand() * 384)), adapters[1 + int(rand() * 4)], rand() * 5
    }'
} | sed 's/^/korvane-baud /' >> "$corpus"

# Every build runs every argument set in a folder of its own: out, err and
# status of each run and the korvane.inc it wrote. The first word of a line
# names the program. Each run starts the program and nothing else: the
# folders are made, and the CRs taken out, for many runs at once (starting
# a process is most of what a run costs).
runs=$(wc -l < "$corpus")
run_one() {  # number index line; the run's folder is there and empty
    local folder="$work/$1/$2" program
    local -a arguments
    read -r -a arguments <<< "$3"
    if [ "${arguments[0]}" = mardeluk ]; then program=${programs[$1]}; else program=${baud_programs[$1]}; fi
    (cd "$folder" && { status=0; "$program" "${arguments[@]:1}" > out 2> err || status=$?; echo "$status" > status; })
}
# A Windows console program may end its lines in CR LF: out and err are
# compared without the CR.
without_carriage_returns() {  # folder...
    find "$@" \( -name out -o -name err \) -print0 | xargs -0 perl -pi -e 's/\r\n/\n/'
}
run_share() {  # number share shares: every shares-th set, from the share-th on
    local line index folders=()
    for ((index = 1; index <= runs; index++)); do
        if (( index % $3 == $2 )); then
            folders+=("$work/$1/$index")
        fi
    done
    mkdir -p "${folders[@]}"
    index=0
    while IFS= read -r line; do
        index=$((index + 1))
        if (( index % $3 == $2 )); then
            run_one "$1" "$index" "$line"
        fi
    done < "$corpus"
    without_carriage_returns "${folders[@]}"
}
# Each build in as many shares as there are processors, one share a
# processor at a time, the last build's first: it is the slowest (wine starts
# a process in a good part of a second), and a build that ran alone at the
# end would leave the other processors idle.
shares=$(nproc)
for ((number = ${#programs[@]} - 1; number >= 0; number--)); do
    for ((share = 0; share < shares; share++)); do
        while [ "$(jobs -rp | wc -l)" -ge "$shares" ]; do
            wait -n || true
        done
        run_share "$number" "$share" "$shares" &
    done
done
wait

failed=0
for number in "${!programs[@]}"; do
    [ "$number" -gt 0 ] || continue
    mismatches=0
    # Run by run only where the whole build differs.
    indices=$(diff -r -q "$work/0" "$work/$number" > /dev/null || seq "$runs")
    for index in $indices; do
        # wine loses a run's output now and then (once in some thousand
        # runs): a mismatch is run once more before it counts.
        if ! diff -r "$work/0/$index" "$work/$number/$index" > /dev/null; then
            rm -rf "$work/$number/$index"
            mkdir "$work/$number/$index"
            run_one "$number" "$index" "$(sed -n "${index}p" "$corpus")"
            without_carriage_returns "$work/$number/$index"
        fi
        if ! diff -r "$work/0/$index" "$work/$number/$index" > "$work/diff"; then
            mismatches=$((mismatches + 1))
            if [ "$mismatches" -le 5 ]; then
                echo "MISMATCH between ${names[0]} and ${names[$number]}: $(sed -n "${index}p" "$corpus")"
                head -20 "$work/diff"
            fi
        fi
    done
    echo "${names[$number]} against ${names[0]}: $runs runs of mardeluk and korvane-baud, $mismatches with different output"
    [ "$mismatches" -eq 0 ] || failed=1
done
exit "$failed"
