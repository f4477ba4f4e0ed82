#!/bin/sh
# The init of the emulated PC (busybox sh). It loads the parallel-port
# modules, runs every quorvik build named in /builds against the emulated
# UART at 0x3F8 and parallel port at 0x378, and then korvane-reset as
# unprivileged users through the kernel's drivers: the 8250 driver on
# ttyS0, ftdi_sio on the emulated USB adapter and ppdev on the parallel
# port. It checks exit status, standard output, standard error and what
# each run left in the registers, writes one line per check to the results
# port and powers the machine off. With korvane_benchmark on the kernel's
# command line it pulses every path at several widths instead.
#
# Lines on the results port: "ok     ..." or "FAILED ..." for each check,
# "finished BUILD" after the last check of a build, "window ..." for each
# run whose line changes the host checks in QEMU's trace (see
# pulse_trace.awk), "probed ..." with what a probe's verdict said for them,
# and at the very end "checks: N passed, M failed". The host reads nothing
# else as success.

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

# How the program under test frames an error line (a printf format).
error_frame='@@@@@ %s @@@@@'

# expect_run WHAT STATUS ERROR_TEXT COMMAND...
# Runs COMMAND; it must exit with STATUS, print nothing on standard output,
# and on standard error print nothing when ERROR_TEXT is empty, else exactly
# the error line (ERROR_TEXT in error_frame) and a line feed. Sets `took` to
# the run's time in hundredths of a second.
expect_run() {
    what=$1
    want_status=$2
    want_error=$3
    shift 3
    if [ -n "$want_error" ]; then
        printf "$error_frame\\n" "$want_error" >/tmp/want_err
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

# ended_by_sigterm WHAT MICROSECONDS COMMAND...: runs COMMAND in the
# background, sends it SIGTERM after the time, and checks that it ended by
# that signal (status 143) and printed nothing. Sets `took`. COMMAND must
# be a program: a function in the background runs in a subshell, and the
# signal must reach the program itself.
ended_by_sigterm() {
    what=$1
    delay=$2
    shift 2
    start=$(centiseconds)
    "$@" </dev/null >/tmp/out 2>/tmp/err &
    running=$!
    usleep "$delay"
    kill -TERM $running
    wait $running
    status=$?
    took=$(( $(centiseconds) - start ))
    expect_value "$what ended by SIGTERM" "exit 143, stdout (nothing), stderr (nothing)" \
        "exit $status, stdout $(shown /tmp/out), stderr $(shown /tmp/err)"
}

# open_window DEVICE WIDTH MASK EXPECT LABEL...: marks the start of a run
# whose line changes the host checks in QEMU's trace (0xA5, or open_mark, in
# COM1's scratch register); close_window marks its end.
window=0
open_window() {
    window=$((window + 1))
    report "window $window $*"
    register 0x3FF "${open_mark:-0xA5}"
}

close_window() {
    register 0x3FF 0x5A
}

reset=/korvane/korvane-reset

# Runs korvane-reset as USER with the arguments (no blanks in them).
reset_as() {
    user=$1
    shift
    su -s /bin/sh "$user" -c "exec $reset $*"
}

# The kernel's drivers of the three ports, and the device files as udev on
# Debian leaves them: serial ports in group dialout, parallel ports in group
# lp, both readable and writable by the group, and the adapter's stable name.
adapter_name=usb-QEMU_QEMU_USB_SERIAL_1-0000:00:04.0-1-if00-port0
load_port_drivers() {
    modprobe ppdev && modprobe xhci-pci && modprobe ftdi_sio
    loaded=$?
    expect_value "modprobe ppdev, xhci-pci and ftdi_sio" "status 0" "status $loaded"
    tries=0
    while [ ! -c /dev/ttyUSB0 ] && [ $tries -lt 200 ]; do
        usleep 100000
        tries=$((tries + 1))
    done
    expect_value "/dev/ttyUSB0 made by ftdi_sio" "character device" \
        "$([ -c /dev/ttyUSB0 ] && echo "character device" || echo missing)"
    chgrp dialout /dev/ttyS* /dev/ttyUSB0 && chmod 0660 /dev/ttyS* /dev/ttyUSB0 &&
        chgrp lp /dev/parport0 && chmod 0660 /dev/parport0 &&
        mkdir -p /dev/serial/by-id && ln -s ../../ttyUSB0 "/dev/serial/by-id/$adapter_name"
    expect_value "device files set up as udev would" "status 0" "status $?"
}

# The benchmark: 10 pulses at each width through each path, all of them
# recorded in the trace; only failed runs are reported one by one.
run_benchmark() {
    quorvik=$(sed -n 's/^x86-64=//p' /builds)
    for width in 1 10 50 500; do
        round=0
        while [ $round -lt 10 ]; do
            round=$((round + 1))
            for path in quorvik-registers korvane-reset-8250 korvane-reset-ftdi korvane-reset-ppdev; do
                case $path in
                    quorvik-registers) device=uart; command="$quorvik ttyS0 $width" ;;
                    korvane-reset-8250) device=uart; command="reset_as board ttyS0 $width" ;;
                    korvane-reset-ftdi) device=ftdi; command="reset_as board ttyUSB0 $width" ;;
                    korvane-reset-ppdev) device=parport; command="reset_as board parport0 $width" ;;
                esac
                open_window $device $width 1 pulse $path
                $command </dev/null >/tmp/out 2>&1
                status=$?
                close_window
                if [ $status -eq 0 ] && [ ! -s /tmp/out ]; then
                    passed=$((passed + 1))
                else
                    fail "$command: exit $status, output $(shown /tmp/out)"
                fi
            done
        done
    done
}

report "emulated PC: kernel $(uname -r), $(uname -m)"
modprobe parport_pc && modprobe lp
loaded=$?
expect_value "modprobe parport_pc and lp" "status 0" "status $loaded"

if grep -qw korvane_benchmark /proc/cmdline; then
    load_port_drivers
    # QEMU's software emulation translates a program's code again for every
    # new address layout, which adds some 0.3 ms of translation to each
    # program's first pulse edge; the benchmark measures the programs, not
    # that, so every run gets the same layout.
    echo 0 >/proc/sys/kernel/randomize_va_space
    run_benchmark
    report "finished benchmark"
    report "checks: $passed passed, $failed failed"
    exec 3>&-
    poweroff -f
fi

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

    # SIGTERM during a long pulse: the lines are back at rest before quorvik
    # ends by the signal, and it prints nothing.
    register $mcr 0x0B
    open_window uart 5000 1 interrupted "$build: quorvik ttyS0 5000, SIGTERM after 0.7 s"
    ended_by_sigterm "$build: quorvik ttyS0 5000" 700000 "$quorvik" ttyS0 5000
    close_window
    expect_value "$build: modem control register after the SIGTERM" 0x0B "$(register $mcr)"
    expect_time "$build: quorvik ttyS0 5000 with SIGTERM after 0.7 s" 50 300

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

# --- korvane-reset through the kernel's drivers, as users board (groups
# dialout and lp) and stranger (neither). quorvik is done with COM1 by now.
if [ -x "$reset" ]; then
    report "--- korvane-reset: $reset"
    load_port_drivers
    error_frame='korvane-reset: %s'

    # --list: the adapter, the UART and the parallel port; not the legacy
    # ttyS1 to ttyS3, which have no UART.
    reset_as board --list </dev/null >/tmp/list 2>/tmp/err
    expect_value "korvane-reset --list as board" "exit 0, stderr (nothing)" "exit $?, stderr $(shown /tmp/err)"
    tab=$(printf '\t')
    while read -r device want; do
        expect_value "--list: $device" "$want" "$(grep "^$device$tab" /tmp/list | cut -f 2- | tr '\t' '|')"
    done <<EOF
/dev/ttyUSB0 /dev/serial/by-id/$adapter_name|USB serial 0403:6001 QEMU USB SERIAL|you may open it
/dev/ttyS0 -|on-board UART|you may open it
/dev/parport0 -|parallel port|you may open it
/dev/ttyS1
EOF

    # --list --json: the adapter as an object of the array.
    reset_as board --list --json </dev/null >/tmp/list.json 2>/tmp/err
    expect_value "korvane-reset --list --json as board" "exit 0, stderr (nothing)" "exit $?, stderr $(shown /tmp/err)"
    expect_value "--list --json: the adapter" \
        '"device": "/dev/ttyUSB0",|"by_id": "/dev/serial/by-id/'"$adapter_name"'",|"kind": "USB serial",|"usb_vendor": "0403",|"usb_product": "6001",|"product": "QEMU USB SERIAL",|"access": "you may open it",|"may_open": true,|"serial": "1-0000:00:04.0-1"' \
        "$(grep -A8 '"device": "/dev/ttyUSB0"' /tmp/list.json | sed 's/^ *//' | tr '\n' '|' | sed 's/|$//')"

    # traced DEVICE WIDTH MASK EXPECT USER STATUS ERROR ARGUMENTS...
    traced() {
        t_device=$1 t_width=$2 t_mask=$3 t_expect=$4 t_user=$5 t_status=$6 t_error=$7
        shift 7
        open_window "$t_device" "$t_width" "$t_mask" "$t_expect" "korvane-reset $* as $t_user"
        expect_run "korvane-reset $* as $t_user" "$t_status" "$t_error" reset_as "$t_user" "$@"
        close_window
    }
    traced ftdi 50 1 pulse board 0 "" ttyUSB0
    traced ftdi 20 3 pulse board 0 "" --line=both /dev/ttyUSB0 20
    traced ftdi 30 2 pulse board 0 "" --line=rts "/dev/serial/by-id/$adapter_name" 30
    traced uart 50 1 pulse board 0 "" ttyS0
    expect_value "DTR and RTS of COM1 after korvane-reset ttyS0" 3 $(( $(register $mcr) & 3 ))
    traced uart 30 2 pulse board 0 "" --line=rts cua0 30
    expect_value "DTR and RTS of COM1 after korvane-reset --line=rts cua0" 3 $(( $(register $mcr) & 3 ))
    register $lpt_data 0x00
    traced parport 50 3 pulse board 0 "" lp0
    expect_value "data register after korvane-reset lp0" 0xAA "$(register $lpt_data)"
    # --invert: the lines on for the pulse, off after it and at rest.
    traced ftdi 40 1 inverted board 0 "" --invert ttyUSB0 40
    traced uart 40 3 inverted board 0 "" --invert --line=both ttyS0 40
    expect_value "DTR and RTS of COM1 after korvane-reset --invert --line=both ttyS0" 0 $(( $(register $mcr) & 3 ))
    traced parport 40 3 inverted board 0 "" --invert parport0 40
    expect_value "data register after korvane-reset --invert parport0" 0x55 "$(register $lpt_data)"
    # --sequence: RTS held off while DTR pulses, each wait never shorter
    # (quoted for the shell of su: | would make a pipe).
    traced ftdi 100 3 seq:1@0,0@0,1@100,3@50 board 0 "" "'--sequence=R0|D0|W0.1|D1|W0.05|R1'" ttyUSB0
    traced uart 100 3 seq:1@0,0@0,1@100,3@50 board 0 "" "'--sequence=R0|D0|W0.1|D1|W0.05|R1'" ttyS0
    traced uart 30 3 seq:1@0,2@30,3@0 board 0 "" "'--sequence=U1,0|W0.03|U0,1|U1,1'" ttyS0

    # --expect: the board behind the adapter answers each release (0xB1),
    # only the second one (0xB2) or never (0xB0); the board on COM1 is silent
    # here (it answers only the probe of 0xB4).
    # The host checks the rate that reached the hardware against what
    # korvane-baud says the adapter (ftdi, or 16550 for COM1) makes of it.
    answered() {
        a_mark=$1 a_device=$2 a_expect=$3 a_status=$4 a_out=$5 a_error=$6
        shift 6
        open_mark=$a_mark open_window "$a_device" 0 1 "$a_expect" "korvane-reset $* as board"
        reset_as board "$@" </dev/null >/tmp/out 2>/tmp/err
        a_got=$?
        close_window
        expect_value "korvane-reset $* as board" \
            "exit $a_status, stdout $a_out, stderr $(printf "$error_frame" "$a_error" | sed 's/^korvane-reset: $//')" \
            "exit $a_got, stdout $(tail -n 1 /tmp/out), stderr $(cat /tmp/err)"
    }
    banner='\x00\xFF\x1B[2JKORVANE loader ready'
    # A board that answers ends the wait at once: the timeouts are long only
    # for a loaded machine.
    answered 0xB1 ftdi answer:1:ftdi:9600 0 "$banner" "" --expect=ready --baud=9600 --timeout=10 ttyUSB0
    answered 0xB2 ftdi answer:2:ftdi:9600 0 "$banner" "" --expect=ready --baud=9.6e3 --timeout=3 --tries=2 ttyUSB0
    answered 0xB0 ftdi answer:2:ftdi:31250 3 "" \
        "the board did not answer within 0.3 s at 31250 Baud in 2 tries: check the rate, the wiring and the reset polarity" \
        --expect=ready --baud=31250 --timeout=0.3 --tries=2 ttyUSB0
    answered 0xB0 uart answer:1:16550:9600 3 "" \
        "the board did not answer within 0.2 s at 9600 Baud: check the rate, the wiring and the reset polarity" \
        --expect=ready --baud=9600 --timeout=0.2 ttyS0
    # 31250 Baud is no 8250 rate: the nearest divisor, 4, gives 28800.
    answered 0xB0 uart answer:1:16550:31250 3 "" \
        "the board did not answer within 0.2 s at 31250 Baud: check the rate, the wiring and the reset polarity" \
        --expect=ready --baud=31250 --timeout=0.2 ttyS0
    # The 8250's fastest rate, the UART clock / 16.
    answered 0xB0 uart answer:1:16550:115200 3 "" \
        "the board did not answer within 0.2 s at 115200 Baud: check the rate, the wiring and the reset polarity" \
        --expect=ready --baud=115200 --timeout=0.2 ttyS0
    # Beyond the driver's range: ftdi_sio takes 9600, the 8250 keeps the old
    # rate (9600, as the runs before left it); no reset, the line kept.
    answered 0xB0 ftdi answer:0:ftdi:4000000 1 "" \
        "cannot run /dev/ttyUSB0 at 4000000 Baud: its driver keeps 9600 Baud" --expect=ready --baud=4e6 ttyUSB0
    answered 0xB0 uart answer:0:16550:230400 1 "" \
        "cannot run /dev/ttyS0 at 230400 Baud: its driver keeps 9600 Baud" --expect=ready --baud=230400 ttyS0
    # --probe with korvane.inc for 19200 Baud (timer 1, 11.0592 MHz), waiting
    # 1 s a try for the board: the board behind the adapter (0xB3) sends at
    # 20000 Baud, which no standard crystal gives with those settings; the
    # PC receives its banner as the line's rate makes it. The text decodes
    # at 19200 already; the board's rates that the window gives must hold
    # 20000 within 2 %, and the verdict's rate be one of them. A line a try
    # on standard error: the host checks that the adapter was reset as
    # often, and at the rates beside the window, one below the board's rate
    # and one above. The verdict's command then answers at once.
    probing="--inc=/korvane/korvane.inc --timeout=1"
    open_mark=0xB3 open_window ftdi 0 1 probe:20000 "korvane-reset --probe $probing ttyUSB0 as board"
    reset_as board --probe "'--expect=KORVANE loader ready'" $probing ttyUSB0 </dev/null >/tmp/out 2>/tmp/err
    probed=$?
    close_window
    report "probed $window $(grep -c . /tmp/err)" \
        "$(sed -n 's/^window: .* not at \([0-9]*\) or \([0-9]*\) Baud: .*/\1 \2/p' /tmp/out)"
    found=$(sed -n 's/^found: the board answers at \([0-9]*\) Baud after a DTR pulse$/\1/p' /tmp/out)
    board_rates=$(sed -n 's/^window: .*: the board sends at \([0-9]*\) to \([0-9]*\) Baud$/\1 \2/p' /tmp/out)
    expect_value "korvane-reset --probe $probing ttyUSB0 as board (found at $found, the board at ${board_rates% *} to ${board_rates#* } Baud)" \
        "exit 0, found at one of the board rates, which hold 20000 Baud within 2 %" \
        "exit $probed, $(echo "$board_rates" | awk -v found="$found" '{ print "found at " \
            (found != "" && $1 <= found && found <= $2 ? "one of the board rates" : "a rate outside the board rates") \
            ", which hold " ($1 <= 20000 && 20000 <= $2 ? "" : "not ") "20000 Baud within " ($2 <= $1 * 1.02 ? "" : "more than ") "2 %" }')"
    expect_value "korvane-reset --probe ttyUSB0 as board: korvane.inc" \
        "no standard crystal makes $found Baud with korvane.inc's settings: the loader on the board was built for another rate than korvane.inc's 19200 Baud" \
        "$(grep "korvane.inc's settings" /tmp/out)"
    expect_value "korvane-reset --probe ttyUSB0 as board: standard error" \
        "0 lines but tries, the first try: 19200 Baud, a DTR pulse: the text" \
        "$(grep -vc '^try: [0-9]* Baud, a DTR pulse: ' /tmp/err) lines but tries, the first $(head -n 1 /tmp/err)"
    again=$(sed -n 's/^again: korvane-reset //p' /tmp/out)
    answered 0xB3 ftdi "answer:1:ftdi:$found" 0 "$banner" "" $again
    # --probe on COM1 (0xB4): a board at korvane.inc's rate. The 8250 makes
    # 115200 / n only: the window's tries are the next rates it makes, and
    # the verdict says that it makes none nearer the window's edges.
    open_mark=0xB4 open_window uart 0 1 releases:19200,16457,23040,19200 "korvane-reset --probe $probing ttyS0 as board"
    reset_as board --probe "'--expect=KORVANE loader ready'" $probing ttyS0 </dev/null >/tmp/out 2>/tmp/err
    probed=$?
    close_window
    expect_value "korvane-reset --probe $probing ttyS0 as board" \
        "exit 0, found: the board answers at 19200 Baud after a DTR pulse|window: the text decodes at 19200 Baud, not at 16457 or 23040 Baud: the board sends at 17778 to 20426 Baud|the port's driver makes no rate nearer the window's edges (16550 UART, 115200 / n)" \
        "exit $probed, $(head -n 3 /tmp/out | tr '\n' '|' | sed 's/|$//')"
    expect_value "korvane-reset --probe ttyS0 as board: its tries" \
        "try: 19200 Baud, a DTR pulse: the text|try: 16457 Baud, a DTR pulse: N bytes without the text (the window's edge)|try: 23040 Baud, a DTR pulse: N bytes without the text (the window's edge)|try: 19200 Baud, a DTR pulse: the text (again, to confirm)" \
        "$(sed 's/: [0-9]* bytes/: N bytes/' /tmp/err | tr '\n' '|' | sed 's/|$//')"

    # Without the groups nothing is touched.
    traced ftdi 50 1 none stranger 1 "permission denied: /dev/ttyUSB0 (group dialout: add your user to it and log in again)" ttyUSB0
    traced uart 50 1 none stranger 1 "permission denied: /dev/ttyS0 (group dialout: add your user to it and log in again)" /dev/ttyS0
    traced parport 50 3 none stranger 1 "permission denied: /dev/parport0 (group lp: add your user to it and log in again)" parport0

    expect_run "korvane-reset ttyS1 (no UART) as board" 1 "no such port: /dev/ttyS1 (no device behind the file)" reset_as board ttyS1
    expect_run "korvane-reset /dev/null as board" 1 "not a serial port with modem control lines: /dev/null" reset_as board /dev/null

    # A parallel port that another program has claimed is busy: after a
    # second, not never.
    open_window parport 3000 3 pulse "korvane-reset parport0 3000 as board, beside a second run"
    reset_as board parport0 3000 </dev/null >/tmp/out1 2>/tmp/err1 &
    first=$!
    usleep 500000
    expect_run "korvane-reset parport0 as board while another run holds it" 1 \
        "parallel port busy: /dev/parport0 (another driver holds it)" reset_as board parport0
    expect_time "korvane-reset on the held parallel port" 90 250
    wait $first
    expect_value "the run that held the parallel port" "exit 0, stdout (nothing), stderr (nothing)" \
        "exit $?, stdout $(shown /tmp/out1), stderr $(shown /tmp/err1)"
    close_window

    # SIGTERM during a long pulse: DTR comes back on, then the program ends
    # by the signal.
    open_window ftdi 5000 1 interrupted "korvane-reset ttyUSB0 5000 as board, SIGTERM after 1 s"
    # su, not reset_as (see ended_by_sigterm); su and the shell exec the program.
    ended_by_sigterm "korvane-reset ttyUSB0 5000 as board" 1000000 su -s /bin/sh board -c "exec $reset ttyUSB0 5000"
    close_window
    expect_time "korvane-reset ttyUSB0 5000 with SIGTERM after 1 s" 90 300

    # Last, as it takes the adapter away: the host unplugs it 0.3 s into a
    # 20 s pulse (run.sh); the program says so and ends at once.
    open_mark=0xEE open_window ftdi 20000 1 gone "korvane-reset ttyUSB0 20000 as board, adapter unplugged"
    expect_run "korvane-reset ttyUSB0 20000 as board, adapter unplugged" 1 \
        "port disappeared: /dev/ttyUSB0 (Input/output error)" reset_as board ttyUSB0 20000
    close_window
    expect_time "korvane-reset with the adapter unplugged" 0 500
    expect_value "/dev/ttyUSB0 after the unplug" missing "$(presence /dev/ttyUSB0)"
    report "finished korvane-reset"
fi

report "checks: $passed passed, $failed failed"
# Closing the results port waits until everything written has gone out.
exec 3>&-
poweroff -f
