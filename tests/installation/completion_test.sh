#!/usr/bin/env bash
# Loads the bash completion of every program the way bash-completion does and
# checks what each offers at each position of the command line.
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
# shellcheck disable=SC1091
source /usr/share/bash-completion/bash_completion
source "$root/mardeluk/completion.bash"
source "$root/quorvik/completion.bash"
source "$root/korvane-reset/completion.bash"
source "$root/korvane-baud/completion.bash"

failures=0
# offered COMMAND-LINE EXPECTED: the words offered for the last word of the
# line, sorted and joined with blanks.
check() {
    local line=$1 expected=$2
    local -a words
    read -r -a words <<< "$line"
    [[ $line == *" " ]] && words+=("")
    COMP_WORDS=("${words[@]}")
    COMP_CWORD=$((${#words[@]} - 1))
    COMP_LINE=$line
    COMP_POINT=${#line}
    COMPREPLY=()
    "$(complete -p "${words[0]}" | sed -E 's/.*-F ([^ ]+) .*/\1/')" "${words[0]}" "${words[-1]}" "${words[-2]:-}"
    local offered
    offered=$(printf '%s\n' "${COMPREPLY[@]}" | sed '/^$/d' | sort | tr '\n' ' ' | sed 's/ $//')
    if [[ $offered == "$expected" ]]; then
        echo "ok: '$line' offers '$offered'"
    else
        echo "FAILED: '$line' offers '$offered', expected '$expected'"
        failures=$((failures + 1))
    fi
}

check "quorvik " "cua0 cua1 cua2 cua3 lp0 lp1 lp2 null ttyS0 ttyS1 ttyS2 ttyS3"
check "quorvik tty" "ttyS0 ttyS1 ttyS2 ttyS3"
check "quorvik l" "lp0 lp1 lp2"
check "quorvik n" "null"
check "quorvik /" "/dev/cua0 /dev/cua1 /dev/cua2 /dev/cua3 /dev/lp0 /dev/lp1 /dev/lp2 /dev/null /dev/ttyS0 /dev/ttyS1 /dev/ttyS2 /dev/ttyS3"
check "quorvik /dev/c" "/dev/cua0 /dev/cua1 /dev/cua2 /dev/cua3"
check "quorvik /dev/lp1" "/dev/lp1"
check "quorvik x" ""
check "quorvik ttyS0 " ""
# korvane-reset: options, --line values, and the ports of a /dev of the test's own.
_korvane_reset_dev=$(mktemp -d)
trap 'rm -rf "$_korvane_reset_dev"' EXIT
mkdir -p "$_korvane_reset_dev/serial/by-id"
touch "$_korvane_reset_dev"/{ttyUSB0,ttyUSB1,ttyS0,parport0,null,ttyprintk}
ln -s ../../ttyUSB0 "$_korvane_reset_dev/serial/by-id/usb-FTDI_A1-if00-port0"
check "korvane-reset --" "--baud= --expect= --help --inc= --invert --json --line= --list --probe --sequence= --timeout= --tries= --version"
check "korvane-reset --li" "--line= --list"
check "korvane-reset --line=" "both dtr rts"
check "korvane-reset --line=r" "rts"
check "korvane-reset " "lp0 lp1 lp2 null parport0 ttyS0 ttyUSB0 ttyUSB1"
check "korvane-reset ttyU" "ttyUSB0 ttyUSB1"
check "korvane-reset --line=rts /dev/s" "/dev/serial/by-id/usb-FTDI_A1-if00-port0"
check "korvane-reset /dev/p" "/dev/parport0"
check "korvane-reset ttyUSB0 " ""
check "mardeluk " ""
check "mardeluk 9600 " "BA BG D1 T1 T2"
check "mardeluk 9600 T" "T1 T2"
check "mardeluk 9600 b" "BA BG"
check "mardeluk 9600 d1" "D1"
check "mardeluk 9600 T1 " ""
check "mardeluk 9600 T1 1 12 " ""
check "korvane-baud --a" "--accuracy= --adapter="
check "korvane-baud --clock 12 --adapter " "16550 ch340 exact ftdi"
check "korvane-baud --generator T1,B" "T1,BA T1,BG"
check "korvane-baud -g " "BA BG D1 T1 T2"
check "korvane-baud --rate " ""

if [[ $failures -ne 0 ]]; then
    echo "$failures completion check(s) failed"
    exit 1
fi
echo "all completion checks passed"
