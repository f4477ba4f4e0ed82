#!/bin/sh
# The init of the emulated PC (busybox sh). It loads the parallel-port
# modules, runs every quorvik build named in /builds against the emulated
# UART at 0x3F8 and parallel port at 0x378, checks exit status, standard
# output, standard error and what the run left in the registers, writes one
# line per check to the results port and powers the machine off.
#
# Lines on the results port: "ok     ..." or "FAILED ..." for each check,
# "finished BUILD" after the last check of a build, and at the very end
# "checks: N passed, M failed". The host reads nothing else as success.

PATH=/bin
export PATH
/bin/busybox --install -s /bin
mount -t proc proc /proc
mount -t sysfs sysfs /sys
mount -t devtmpfs devtmpfs /dev
mount -t tmpfs tmpfs /tmp

# The kernel console is the first PCI serial port (ttyS4), the results go out
# of the second (ttyS5); COM1 at 0x3F8 is left to quorvik alone.
results=/dev/ttyS5
stty -F "$results" raw -echo
exec 3>"$results"

passed=0
failed=0

report() {
    echo "$*" >&3
}

pass() {
    passed=$((passed + 1))
    report "ok     $*"
}

fail() {
    failed=$((failed + 1))
    report "FAILED $*"
}

# The first number of /proc/uptime in hundredths of a second.
centiseconds() {
    uptime=$(cut -d ' ' -f 1 /proc/uptime)
    echo "${uptime%.*}${uptime#*.}" | sed 's/^0*//; s/^$/0/'
}

# A file's text for a report line: the lines joined by "\n", and "\n" at the
# end only when the file ends with a line feed.
shown() {
    if [ ! -s "$1" ]; then
        echo "(nothing)"
        return
    fi
    text=$(awk 'NR > 1 { printf "\\n" } { printf "%s", $0 }' "$1")
    if [ "$(tail -c 1 "$1" | od -An -tx1 | tr -d ' ')" = 0a ]; then
        text="$text\\n"
    fi
    echo "\"$text\""
}

register() {
    /korvane/port_register "$@"
}

# "present" or "missing", for any kind of file, dangling links included.
presence() {
    if [ -e "$1" ] || [ -L "$1" ]; then
        echo present
    else
        echo missing
    fi
}

mcr=0x3FC       # modem control register of COM1
lpt_data=0x378  # data register of the parallel port

# expect_run WHAT STATUS ERROR_TEXT COMMAND...
# Runs COMMAND; it must exit with STATUS, print nothing on standard output,
# and on standard error print nothing when ERROR_TEXT is empty, else exactly
# the error line "@@@@@ ERROR_TEXT @@@@@" and a line feed. Sets `took` to
# the run's time in hundredths of a second.
expect_run() {
    what=$1
    want_status=$2
    want_error=$3
    shift 3
    if [ -n "$want_error" ]; then
        printf '@@@@@ %s @@@@@\n' "$want_error" >/tmp/want_err
    else
        : >/tmp/want_err
    fi
    start=$(centiseconds)
    "$@" </dev/null >/tmp/out 2>/tmp/err
    status=$?
    took=$(( $(centiseconds) - start ))
    if [ "$status" = "$want_status" ] && [ ! -s /tmp/out ] && cmp -s /tmp/err /tmp/want_err; then
        pass "$what: exit $status, stdout empty, stderr $(shown /tmp/err)"
    else
        fail "$what: want exit $want_status, stdout empty, stderr $(shown /tmp/want_err);" \
            "got exit $status, stdout $(shown /tmp/out), stderr $(shown /tmp/err)"
    fi
}

# expect_value WHAT WANT GOT
expect_value() {
    if [ "$2" = "$3" ]; then
        pass "$1: $3"
    else
        fail "$1: want $2, got $3"
    fi
}

# expect_time WHAT LEAST MOST: `took` must lie within LEAST and MOST
# hundredths of a second.
expect_time() {
    if [ "$took" -ge "$2" ] && [ "$took" -le "$3" ]; then
        pass "$1: took $took/100 s (from $2/100 to $3/100 s)"
    else
        fail "$1: took $took/100 s, want from $2/100 to $3/100 s"
    fi
}

report "emulated PC: kernel $(uname -r), $(uname -m)"
modprobe parport_pc && modprobe lp
loaded=$?
expect_value "modprobe parport_pc and lp" "status 0" "status $loaded"

# What the kernel knows of the parallel ports: one port at 0x378 (888), none
# at the second place, and the device files that lp made.
# (cat, not the shell's read: a sysctl file gives its whole text to the first
# read call and nothing to later ones, and read takes one byte a call.)
expect_value "kernel's base address of parport0" 888 "$(cat /proc/sys/dev/parport/parport0/base-addr | cut -f 1)"
expect_value "kernel information on parport1" missing "$(presence /proc/sys/dev/parport/parport1)"
expect_value "/dev/lp0 before the runs" "character device" "$([ -c /dev/lp0 ] && echo "character device" || echo "no character device")"
expect_value "/dev/lp1 before the runs" missing "$(presence /dev/lp1)"

# /builds: one "NAME=PROGRAM" a line.
for entry in $(cat /builds); do
    build=${entry%%=*}
    quorvik=${entry#*=}
    report "--- $build build: $quorvik"

    # The pulse on COM1 through every name of it; afterwards DTR and RTS are
    # on and the other bits of the modem control register as they were.
    while read -r name before after; do
        register $mcr "$before"
        expect_run "$build: quorvik $name (modem control $before before)" 0 "" "$quorvik" "$name"
        expect_value "$build: modem control register after quorvik $name" "$after" "$(register $mcr)"
    done <<EOF
ttyS0 0x00 0x03
/dev/ttyS0 0x0C 0x0F
cua0 0x02 0x03
/dev/cua0 0x01 0x03
ttyS0 0x1B 0x1B
EOF

    # During the pulse DTR is off and the rest as it was; the run lasts the
    # pulse width.
    register $mcr 0x0B
    start=$(centiseconds)
    "$quorvik" ttyS0 1500 >/tmp/out 2>/tmp/err &
    running=$!
    usleep 700000
    during=$(register $mcr)
    wait $running
    status=$?
    took=$(( $(centiseconds) - start ))
    expect_value "$build: modem control register 0.7 s into quorvik ttyS0 1500" 0x0A "$during"
    expect_value "$build: quorvik ttyS0 1500 in the background" "exit 0, stdout (nothing), stderr (nothing)" \
        "exit $status, stdout $(shown /tmp/out), stderr $(shown /tmp/err)"
    expect_value "$build: modem control register after quorvik ttyS0 1500" 0x0B "$(register $mcr)"
    expect_time "$build: quorvik ttyS0 1500" 150 450

    # No UART at the other three places: the modem control register reads
    # 0xFF there and never what was written.
    while read -r name text; do
        expect_run "$build: quorvik $name" 1 "hardware failure: $text" "$quorvik" "$name"
    done <<EOF
ttyS1 ttyS1
ttyS2 ttyS2
/dev/ttyS3 ttyS3
cua1 cua1
EOF

    # lp0 takes 0x378 from the kernel; the table's own 0x3BC has no port in
    # this PC and would fail the read-back test.
    register $lpt_data 0x00
    expect_run "$build: quorvik lp0" 0 "" "$quorvik" lp0
    expect_value "$build: data register after quorvik lp0" 0xAA "$(register $lpt_data)"
    register $lpt_data 0x00
    "$quorvik" /dev/lp0 1500 >/tmp/out 2>/tmp/err &
    running=$!
    usleep 700000
    during=$(register $lpt_data)
    wait $running
    status=$?
    expect_value "$build: data register 0.7 s into quorvik /dev/lp0 1500" 0x55 "$during"
    expect_value "$build: quorvik /dev/lp0 1500 in the background" "exit 0, stdout (nothing), stderr (nothing)" \
        "exit $status, stdout $(shown /tmp/out), stderr $(shown /tmp/err)"
    expect_value "$build: data register after quorvik /dev/lp0 1500" 0xAA "$(register $lpt_data)"

    # No kernel information on lp1 and lp2: not found, and no device file is
    # left behind.
    for name in lp1 lp2; do
        expect_run "$build: quorvik $name" 1 "port not found: /dev/$name" "$quorvik" "$name"
        expect_value "$build: /dev/$name after quorvik $name" missing "$(presence /dev/$name)"
    done

    # null only waits.
    expect_run "$build: quorvik null" 0 "" "$quorvik" null
    expect_time "$build: quorvik null" 5 300
    expect_run "$build: quorvik /dev/null 700" 0 "" "$quorvik" /dev/null 700
    expect_time "$build: quorvik /dev/null 700" 70 370

    # Without root the permission is refused before any register is touched.
    register $mcr 0x00
    register $lpt_data 0x00
    for name in ttyS0 lp0; do
        expect_run "$build: quorvik $name as user nobody" 1 "no root privilege" \
            su -s /bin/sh nobody -c "$quorvik $name"
    done
    expect_value "$build: modem control register after the runs as nobody" 0x00 "$(register $mcr)"
    expect_value "$build: data register after the runs as nobody" 0x00 "$(register $lpt_data)"

    report "finished $build"
done

report "checks: $passed passed, $failed failed"
# Closing the results port waits until everything written has gone out.
exec 3>&-
poweroff -f
