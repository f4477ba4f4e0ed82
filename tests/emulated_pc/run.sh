#!/usr/bin/env bash
# quorvik and korvane-reset end to end on an emulated PC: boots Debian's kernel
# in QEMU (software emulation) from a tiny initramfs with busybox, the
# parallel-port and USB serial modules, the static port_register helper and
# the builds named here, runs the checks of guest_init.sh in the guest and
# fails when any of them failed or did not run. Only the guest ever drives
# port registers or port drivers.
#
# QEMU records what its emulated hardware saw, with host timestamps: the
# writes to the UART's and the parallel port's registers and the FTDI
# adapter's control requests. The guest marks the start and end of each run
# it wants looked at in the UART's scratch register (0xA5, or 0xEE for the
# run during which this script unplugs the adapter, and 0x5A), and says on
# its results port what each run should have done; pulse_trace.awk checks
# the recorded edges against that: the exact sequence, lines left on, and
# pulses never shorter than asked.
#
# usage: run.sh [--benchmark] WORK_FOLDER PORT_REGISTER NAME=PROGRAM...
#   --benchmark    instead of the checks, pulse 10 times at each of 1, 10, 50
#                  and 500 ms through every path and print the overshoot of
#                  the recorded pulse widths (not part of the test command)
#   WORK_FOLDER    scratch folder of the test; keeps the kernel's uncompressed
#                  image between runs, everything else is made anew
#   PORT_REGISTER  the static port_register program
#   NAME=PROGRAM   a quorvik build: NAME is x86-64 or i386 and must match the
#                  program's ELF header; or korvane-reset=PROGRAM, an x86-64
#                  korvane-reset, which the guest runs as unprivileged users;
#                  or korvane-baud=PROGRAM, which runs here and says what rate
#                  each --expect run's line should get (needed with
#                  korvane-reset); or uart-model=PROGRAM, uart_model_tool,
#                  which runs here and gives board_responder.pl what the PC
#                  receives of a banner sent at another rate (without it the
#                  board sends a fixed garbage at other rates); or
#                  mardeluk=PROGRAM, which runs here and writes the
#                  korvane.inc (19200 Baud, timer 1, 11.0592 MHz) that the
#                  guest's probes read (needed with korvane-reset)
#
# The guest has COM1 at 0x3F8 (the kernel's 8250 driver on ttyS0), a
# parallel port at 0x378 and an FTDI USB serial adapter on an xHCI
# controller; the lines of COM1 and the adapter are sockets where
# board_responder.pl plays the boards. The console and the results leave
# through two PCI serial ports. quorvik's register checks come before
# korvane-reset opens COM1 through the driver, and the driver touches the
# UART only while a program has ttyS0 open, so the two never drive it at
# the same time.
set -euo pipefail

fail() {
    echo "emulated PC test: $*" >&2
    exit 1
}

benchmark=no
if [ "${1-}" = --benchmark ]; then
    benchmark=yes
    shift
fi
[ $# -ge 3 ] || fail "usage: run.sh [--benchmark] WORK_FOLDER PORT_REGISTER NAME=PROGRAM..."
work=$1
port_register=$2
shift 2
here=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$work"
work=$(cd "$work" && pwd)
started=$SECONDS

# --- the guest kernel: the newest Debian kernel that has its modules
vmlinuz=
for candidate in $(ls /boot/vmlinuz-* 2>/dev/null | sort -V); do
    if [ -f "/lib/modules/${candidate#/boot/vmlinuz-}/modules.dep" ]; then
        vmlinuz=$candidate
    fi
done
[ -n "$vmlinuz" ] || fail "no /boot/vmlinuz-* with its modules (package linux-image-amd64)"
release=${vmlinuz#/boot/vmlinuz-}
modules=/lib/modules/$release

# Reads COUNT bytes at OFFSET of FILE as one little-endian unsigned number.
number_at() {
    od -An -tu"$3" -j "$2" -N "$3" "$1" | tr -d ' '
}

# QEMU boots the uncompressed image (an ELF file with a PVH entry) about
# twice as fast as the compressed one, so it is taken out of the bzImage once.
# The payload's place is in the boot header: it starts payload_offset bytes
# after the setup sectors and is payload_length bytes long.
vmlinux=$work/vmlinux-$release
if [ ! -s "$vmlinux" ] || [ "$vmlinuz" -nt "$vmlinux" ]; then
    [ "$(od -An -c -j $((0x202)) -N 4 "$vmlinuz" | tr -d ' ')" = HdrS ] || fail "$vmlinuz: no Linux boot header"
    setup_sectors=$(number_at "$vmlinuz" $((0x1F1)) 1)
    [ "$setup_sectors" -ne 0 ] || setup_sectors=4
    payload_start=$(( (setup_sectors + 1) * 512 + $(number_at "$vmlinuz" $((0x248)) 4) ))
    payload_length=$(number_at "$vmlinuz" $((0x24C)) 4)
    magic=$(od -An -tx1 -j "$payload_start" -N 6 "$vmlinuz" | tr -d ' ')
    [ "$magic" = fd377a585a00 ] || fail "$vmlinuz: payload is not xz-compressed (starts with $magic)"
    dd if="$vmlinuz" bs=64K skip="$payload_start" count="$payload_length" iflag=skip_bytes,count_bytes status=none |
        xz -dc --single-stream >"$vmlinux.part"
    [ "$(od -An -c -N 4 "$vmlinux.part" | tr -d ' ')" = 177ELF ] || fail "$vmlinuz: payload is no ELF image"
    mv "$vmlinux.part" "$vmlinux"
fi

# --- the initramfs
root=$work/initramfs
rm -rf "$root"
mkdir -p "$root"/{bin,dev,etc,proc,sys,tmp,korvane}
cp /bin/busybox "$root/bin/busybox"
ln -s busybox "$root/bin/sh"
cp "$here/guest_init.sh" "$root/init"
# board: a user whom Debian lets use serial and parallel ports; stranger: one
# without those groups.
cat >"$root/etc/passwd" <<'EOF_PASSWD'
root:x:0:0:root:/:/bin/sh
nobody:x:65534:65534:nobody:/:/bin/sh
board:x:1000:1000:board:/:/bin/sh
stranger:x:1001:1001:stranger:/:/bin/sh
EOF_PASSWD
cat >"$root/etc/group" <<'EOF_GROUP'
root:x:0:
lp:x:7:board
dialout:x:20:board
board:x:1000:
stranger:x:1001:
nogroup:x:65534:
EOF_GROUP

# Static programs only, or binaries whose libraries come along: the guest has
# no other library.
is_static() {
    ! readelf -l "$1" | grep -q 'program interpreter'
}
is_static /bin/busybox || fail "/bin/busybox is not static (package busybox-static)"
is_static "$port_register" || fail "$port_register is not static"
cp "$port_register" "$root/korvane/port_register"

# The modules and a modules.dep of them alone, for busybox's modprobe. A line
# of modules.dep names every module that the module needs, so the lines of
# the wanted modules and of those bring everything.
wanted="parport parport_pc lp ppdev xhci-pci ftdi_sio"
declare -A taken=()
mkdir -p "$root/$modules"
for module in $wanted; do
    line=$(grep -E "^[^:]*/$module\.ko:" "$modules/modules.dep") || fail "$module.ko missing from $modules/modules.dep"
    for file in ${line/:/ }; do
        [ -z "${taken[$file]-}" ] || continue
        taken[$file]=yes
        grep -E "^$file:" "$modules/modules.dep" >>"$root/$modules/modules.dep"
        mkdir -p "$root/$modules/$(dirname "$file")"
        cp "$modules/$file" "$root/$modules/$file"
    done
done

# Copies a program into the guest with its dynamic loader and libraries, each
# at the path it has here, symbolic links followed. guest_libraries.sh finds
# them in the ELF files without running anything, so a program that this
# machine's kernel cannot execute still gets everything it needs; a library
# it cannot find stops the test here, before the guest boots.
copy_program() {
    local program=$1 target=$2 libraries library
    libraries=$(bash "$here/guest_libraries.sh" "$program") || exit 1
    mkdir -p "$root$(dirname "$target")"
    cp "$program" "$root$target"
    for library in $libraries; do
        [ -e "$root$library" ] || { mkdir -p "$root$(dirname "$library")" && cp -L "$library" "$root$library"; }
    done
}

# The quorvik builds and korvane-reset.
builds=()
korvane_baud=
uart_model=
mardeluk=
for argument in "$@"; do
    name=${argument%%=*}
    program=${argument#*=}
    [ -f "$program" ] || fail "$program: no such file"
    if [ "$name" = korvane-baud ]; then
        korvane_baud=$program
        continue
    fi
    if [ "$name" = uart-model ]; then
        uart_model=$program
        continue
    fi
    if [ "$name" = mardeluk ]; then
        mardeluk=$program
        continue
    fi
    elf=$(od -An -tx1 -j 4 -N 1 "$program" | tr -d ' ')/$(number_at "$program" 18 2)
    case "$name:$elf" in
        x86-64:02/62 | i386:01/3 | korvane-reset:02/62) ;;
        *) fail "$program is not a $name program (ELF class/machine $elf)" ;;
    esac
    if [ "$name" = korvane-reset ]; then
        copy_program "$program" /korvane/korvane-reset
    else
        copy_program "$program" "/korvane/$name/quorvik"
        builds+=("$name=/korvane/$name/quorvik")
    fi
done
if [ -e "$root/korvane/korvane-reset" ] && [ "$benchmark" = no ]; then
    [ -n "$korvane_baud" ] && [ -n "$mardeluk" ] ||
        fail "korvane-reset=PROGRAM needs korvane-baud=PROGRAM and mardeluk=PROGRAM beside it"
    mardeluk=$(cd "$(dirname "$mardeluk")" && pwd)/$(basename "$mardeluk")
    (cd "$root/korvane" && "$mardeluk" 19200 T1 1 11.0592 0 8000 >/dev/null) || fail "mardeluk failed"
fi
printf '%s\n' "${builds[@]}" >"$root/builds"
chmod -R u=rwX,go=rX "$root"
chmod 0755 "$root/init" "$root/bin/busybox" "$root/korvane/port_register" "$root"/korvane/*/quorvik
[ ! -e "$root/korvane/korvane-reset" ] || chmod 0755 "$root/korvane/korvane-reset"
chmod 1777 "$root/tmp"
(cd "$root" && find . | LC_ALL=C sort | cpio -o -H newc -R 0:0 --quiet) >"$work/initramfs.cpio"

# --- the run
console=$work/console.log
results=$work/results.log
trace=$work/trace.log
monitor=$work/monitor
unplugged=$work/unplugged-at
adapter_socket=$work/adapter.sock
com1_socket=$work/com1.sock
rm -f "$console" "$results" "$trace" "$unplugged" "$monitor.in" "$monitor.out" "$adapter_socket" "$com1_socket"
mkfifo "$monitor.in" "$monitor.out"
mode_word=
time_limit=200
if [ "$benchmark" = yes ]; then
    # idle=poll: an idle guest spins instead of halting. Waking a halted
    # emulated processor goes through QEMU's host timers and adds about
    # 0.3 ms to every wait longer than a few ms, which says nothing about the
    # programs' own timing.
    mode_word="korvane_benchmark idle=poll"
    time_limit=500
fi
echo "emulated PC: kernel $release, builds: ${builds[*]}"
boot_started=$SECONDS
timeout "$time_limit" qemu-system-x86_64 \
    -machine pc -accel tcg -m 256 -nodefaults -display none -no-reboot \
    -kernel "$vmlinux" -initrd "$work/initramfs.cpio" \
    -append "console=ttyS4 8250.nr_uarts=8 panic=-1 quiet korvane_emulated_pc $mode_word" \
    -chardev socket,id=com1-line,path="$com1_socket",server=on,wait=off -serial chardev:com1-line -parallel null \
    -chardev file,id=console,path="$console" -device pci-serial,chardev=console \
    -chardev file,id=results,path="$results" -device pci-serial,chardev=results \
    -device qemu-xhci,id=xhci -chardev socket,id=adapter-line,path="$adapter_socket",server=on,wait=off \
    -device usb-serial,id=adapter,chardev=adapter-line,bus=xhci.0,always-plugged=on \
    -chardev pipe,id=monitor,path="$monitor" -mon chardev=monitor,mode=readline \
    -msg timestamp=on -D "$trace" \
    -trace usb_serial_handle_control -trace serial_write -trace parallel_ioport_write \
    -trace usb_serial_set_baud -trace serial_update_parameters \
    </dev/null &
qemu=$!
# The boards behind the adapter and on COM1 answer the resets of the runs
# marked for them.
perl "$here/board_responder.pl" "$trace" "$adapter_socket" "$com1_socket" ${uart_model:+"$uart_model"} \
    2>"$work/responder.log" &
responder=$!
# Nothing reads the monitor's answers but this, so that QEMU never blocks on them.
cat "$monitor.out" >"$work/monitor.log" &
monitor_reader=$!

# The adapter is unplugged once the guest has opened the unplug run (0xEE)
# and the adapter has switched DTR off in it: in the middle of the pulse.
unplug_during_pulse() {
    while kill -0 "$qemu" 2>/dev/null; do
        if awk 'index($0, "addr 0x07 val 0xee") { opened = 1 }
                opened && /control 0x4001, value 0x100$/ { found = 1; exit }
                END { exit !found }' "$trace" 2>/dev/null; then
            sleep 0.3
            date +%s.%6N >"$unplugged"
            echo "device_del adapter" >"$monitor.in"
            return
        fi
        sleep 0.05
    done
}
unplug_during_pulse &
unplugger=$!
qemu_status=0
wait "$qemu" || qemu_status=$?
kill "$unplugger" "$monitor_reader" "$responder" 2>/dev/null || true
wait "$unplugger" "$monitor_reader" "$responder" 2>/dev/null || true
booted_for=$((SECONDS - boot_started))

[ -f "$results" ] || : >"$results"
tr -d '\r' <"$results" | sed 's/^/  guest: /'

problems=()
[ "$qemu_status" -eq 0 ] || problems+=("QEMU ended with status $qemu_status (124: timed out)")
summary=$(tr -d '\r' <"$results" | tail -n 1)
if [[ "$summary" =~ ^checks:\ ([0-9]+)\ passed,\ ([0-9]+)\ failed$ ]]; then
    [ "${BASH_REMATCH[2]}" -eq 0 ] || problems+=("${BASH_REMATCH[2]} checks failed")
    [ "${BASH_REMATCH[1]}" -gt 0 ] || problems+=("no check passed")
else
    problems+=("the guest did not finish its checks")
fi
! grep -q '^FAILED' "$results" || problems+=("FAILED lines in the results")
finished=("${builds[@]%%=*}")
[ ! -e "$root/korvane/korvane-reset" ] || finished+=(korvane-reset)
[ "$benchmark" = no ] || finished=(benchmark)
for part in "${finished[@]}"; do
    grep -qx "finished $part" <(tr -d '\r' <"$results") || problems+=("the checks of $part did not all run")
done

# --- what the hardware saw
# korvane-baud's pc_baud for each ADAPTER:NOMINAL that an --expect run asked.
pc_rates=
for key in $(tr -d '\r' <"$results" | awk '$1 == "window" && split($6, f, ":") == 4 && f[1] == "answer" { print f[3] ":" f[4] }' | sort -u); do
    # Exit status 2 (no generator meets the rate at this clock) is no fault here.
    answer=$("$korvane_baud" --json --clock=11.0592 --generator=T2 --adapter="${key%%:*}" --rate="${key#*:}") ||
        [ $? -eq 2 ] || fail "korvane-baud failed for $key"
    pc_rates="$pc_rates $key=$(printf '%s\n' "$answer" | sed -n 's/^ *"pc_baud": \([^,]*\),$/\1/p')"
done
[ -f "$trace" ] || : >"$trace"
awk -f "$here/pulse_trace.awk" -v unplugged_at="$(cat "$unplugged" 2>/dev/null || true)" -v pc_rates="$pc_rates" \
    <(tr -d '\r' <"$results") "$trace" >"$work/trace-checks.log"
grep -v '^measured ' "$work/trace-checks.log" | sed 's/^/  trace: /'
trace_summary=$(tail -n 1 "$work/trace-checks.log")
if [[ "$trace_summary" =~ ^trace\ checks:\ ([0-9]+)\ passed,\ ([0-9]+)\ failed$ ]]; then
    [ "${BASH_REMATCH[2]}" -eq 0 ] || problems+=("${BASH_REMATCH[2]} trace checks failed")
    [ "${BASH_REMATCH[1]}" -gt 0 ] || problems+=("no trace check passed")
else
    problems+=("the trace was not checked")
fi

# Benchmark: overshoot of the recorded pulse widths over the width asked,
# by path and width, in ms.
if [ "$benchmark" = yes ]; then
    echo
    echo "| path | width | pulses | min | median | max overshoot (ms) |"
    echo "|---|---:|---:|---:|---:|---:|"
    grep '^measured ' "$work/trace-checks.log" | awk '{ print $2, $3, $4 - $3 }' |
        sort -k1,1 -k2,2n -k3,3g | awk '
            function row() {
                if (n > 0) printf "| %s | %d ms | %d | %.3f | %.3f | %.3f |\n", path, width, n, v[1],
                    (n % 2 ? v[(n + 1) / 2] : (v[n / 2] + v[n / 2 + 1]) / 2), v[n]
            }
            $1 != path || $2 != width { row(); path = $1; width = $2; n = 0 }
            { v[++n] = $3 }
            END { row() }'
    echo
fi

if [ "${#problems[@]}" -ne 0 ]; then
    echo "--- guest console ($console):"
    tr -d '\r' <"$console" | tail -n 40
    for problem in "${problems[@]}"; do
        echo "EMULATED PC TEST FAILED: $problem" >&2
    done
    exit 1
fi
echo "emulated PC: passed; guest ran for $booted_for s, $((SECONDS - started)) s in all"
