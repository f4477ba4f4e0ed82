#!/usr/bin/env bash
# quorvik end to end on an emulated PC: boots Debian's kernel in QEMU (software
# emulation) from a tiny initramfs with busybox, the parallel-port modules,
# the static port_register helper and the quorvik builds named here, runs the
# checks of guest_init.sh as root in the guest and fails when any of them
# failed or did not run. Only the guest ever drives port registers.
#
# usage: run.sh WORK_FOLDER PORT_REGISTER NAME=QUORVIK...
#   WORK_FOLDER    scratch folder of the test; keeps the kernel's uncompressed
#                  image between runs, everything else is made anew
#   PORT_REGISTER  the static port_register program
#   NAME=QUORVIK   a quorvik build: NAME is x86-64 or i386 and must match the
#                  program's ELF header
#
# The guest has COM1 at 0x3F8 (null backend) and a parallel port at 0x378;
# its console and the results leave through two PCI serial ports, so that only
# quorvik drives the UART under test.
set -euo pipefail

fail() {
    echo "emulated PC test: $*" >&2
    exit 1
}

[ $# -ge 3 ] || fail "usage: run.sh WORK_FOLDER PORT_REGISTER NAME=QUORVIK..."
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
printf 'root:x:0:0:root:/:/bin/sh\nnobody:x:65534:65534:nobody:/:/bin/sh\n' >"$root/etc/passwd"
printf 'root:x:0:\nnogroup:x:65534:\n' >"$root/etc/group"

# Static programs only, or binaries whose libraries come along: the guest has
# no other library.
is_static() {
    ! readelf -l "$1" | grep -q 'program interpreter'
}
is_static /bin/busybox || fail "/bin/busybox is not static (package busybox-static)"
is_static "$port_register" || fail "$port_register is not static"
cp "$port_register" "$root/korvane/port_register"

# The modules and a modules.dep of them alone, for busybox's modprobe.
wanted="parport parport_pc lp"
mkdir -p "$root/$modules"
for module in $wanted; do
    line=$(grep -E "^[^:]*/$module\.ko:" "$modules/modules.dep") || fail "$module.ko missing from $modules/modules.dep"
    for file in ${line/:/ }; do
        name=$(basename "$file" .ko)
        [[ " $wanted " == *" $name "* ]] || fail "$module.ko needs $file, which the test does not bring"
    done
    echo "$line" >>"$root/$modules/modules.dep"
    mkdir -p "$root/$modules/$(dirname "${line%%:*}")"
    cp "$modules/${line%%:*}" "$root/$modules/${line%%:*}"
done

# The quorvik builds, each with the shared libraries it was linked against.
# ldd only lists them: the dynamic loader resolves the program's libraries
# without starting it.
builds=()
for argument in "$@"; do
    name=${argument%%=*}
    program=${argument#*=}
    [ -f "$program" ] || fail "$program: no such file"
    elf=$(od -An -tx1 -j 4 -N 1 "$program" | tr -d ' ')/$(number_at "$program" 18 2)
    case "$name:$elf" in
        x86-64:02/62 | i386:01/3) ;;
        *) fail "$program is not a $name program (ELF class/machine $elf)" ;;
    esac
    mkdir -p "$root/korvane/$name"
    cp "$program" "$root/korvane/$name/quorvik"
    while read -r library; do
        [ -e "$root$library" ] || { mkdir -p "$root$(dirname "$library")" && cp -L "$library" "$root$library"; }
    done < <(ldd "$program" | sed -n 's/^.*=> \(\/[^ ]*\) .*$/\1/p; s/^[[:space:]]*\(\/[^ ]*\) (.*$/\1/p')
    builds+=("$name=/korvane/$name/quorvik")
done
printf '%s\n' "${builds[@]}" >"$root/builds"
chmod -R u=rwX,go=rX "$root"
chmod 0755 "$root/init" "$root/bin/busybox" "$root/korvane/port_register" "$root"/korvane/*/quorvik
chmod 1777 "$root/tmp"
(cd "$root" && find . | LC_ALL=C sort | cpio -o -H newc -R 0:0 --quiet) >"$work/initramfs.cpio"

# --- the run
console=$work/console.log
results=$work/results.log
rm -f "$console" "$results"
echo "emulated PC: kernel $release, builds: ${builds[*]}"
boot_started=$SECONDS
qemu_status=0
timeout 150 qemu-system-x86_64 \
    -machine pc -accel tcg -m 256 -nodefaults -display none -no-reboot \
    -kernel "$vmlinux" -initrd "$work/initramfs.cpio" \
    -append "console=ttyS4 8250.nr_uarts=8 panic=-1 quiet korvane_emulated_pc" \
    -serial null -parallel null \
    -chardev file,id=console,path="$console" -device pci-serial,chardev=console \
    -chardev file,id=results,path="$results" -device pci-serial,chardev=results \
    </dev/null || qemu_status=$?
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
for build in "${builds[@]}"; do
    grep -qx "finished ${build%%=*}" <(tr -d '\r' <"$results") || problems+=("the ${build%%=*} build's checks did not all run")
done

if [ "${#problems[@]}" -ne 0 ]; then
    echo "--- guest console ($console):"
    tr -d '\r' <"$console" | tail -n 40
    for problem in "${problems[@]}"; do
        echo "EMULATED PC TEST FAILED: $problem" >&2
    done
    exit 1
fi
echo "emulated PC: passed; guest ran for $booted_for s, $((SECONDS - started)) s in all"
