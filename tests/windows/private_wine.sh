#!/usr/bin/env bash
# Runs a command that starts Windows programs under wine, in a private mount
# namespace whose /dev holds no serial or parallel device of this machine:
# a new wine prefix maps every /dev/ttyS*, ttyUSB* and ttyACM* it finds to a
# COM port, and a COM port that is not mapped falls back to /dev/ttyS<n-1>,
# so outside such a /dev even a test of "no such port" could open one of
# the machine's ports. The namespace's /dev has null, zero, full, random,
# urandom, a new pseudo terminal instance and shared memory; the prefix is
# new and empty, made before the command with a persistent wineserver, so
# that the command's runs start warm and wine adds nothing of its own to
# their output. Needs root (CI runs as root).
#   private_wine.sh COMMAND [ARGUMENT...]
# The command finds the prefix in WINEPREFIX; map_com_port.sh maps a COM
# port to one of its own pseudo terminals and checks the prefix again.
set -euo pipefail
[ $# -ge 1 ] || { echo "usage: private_wine.sh COMMAND [ARGUMENT...]" >&2; exit 2; }
here=$(cd "$(dirname "$0")" && pwd)

if [ "${1:-}" != --inside ]; then
    exec unshare --mount --propagation private \
        env KORVANE_OUTER_NAMESPACE="$(readlink /proc/self/ns/mnt)" bash "$0" --inside "$@"
fi
shift
if [ "$(readlink /proc/self/ns/mnt)" = "${KORVANE_OUTER_NAMESPACE:-}" ]; then
    echo "private_wine.sh: no private mount namespace: wine is not started" >&2
    exit 1
fi

mount -t tmpfs -o mode=0755,size=4m korvane-dev /dev
mknod -m 0666 /dev/null c 1 3
mknod -m 0666 /dev/zero c 1 5
mknod -m 0666 /dev/full c 1 7
mknod -m 0666 /dev/random c 1 8
mknod -m 0666 /dev/urandom c 1 9
mkdir /dev/pts /dev/shm
mount -t devpts -o newinstance,ptmxmode=0666,mode=0620 devpts /dev/pts
ln -s pts/ptmx /dev/ptmx
mount -t tmpfs -o mode=1777 shm /dev/shm
ln -s /proc/self/fd /dev/fd
ln -s /proc/self/fd/0 /dev/stdin
ln -s /proc/self/fd/1 /dev/stdout
ln -s /proc/self/fd/2 /dev/stderr
# What every script that starts wine looks for (private_dev_guard.sh).
export KORVANE_PRIVATE_DEV
KORVANE_PRIVATE_DEV=$(readlink /proc/self/ns/mnt)
source "$here/private_dev_guard.sh"
if ! inside_private_dev; then
    echo "private_wine.sh: the private /dev has a serial or parallel device" >&2
    exit 1
fi

prefix_folder=$(mktemp -d)
trap 'wineserver -k 2>/dev/null || true; rm -rf "$prefix_folder"' EXIT
export WINEPREFIX=$prefix_folder/prefix WINEDEBUG=-all WINEARCH=win64
# No browser engine or .NET runtime to install: nothing here needs them.
export WINEDLLOVERRIDES="mscoree,mshtml="
mkdir "$WINEPREFIX"
wineserver -p
wineboot -i > /dev/null 2>&1
# A first run, so that the command's runs start warm.
wine cmd /c exit > /dev/null 2>&1 || true
bash "$here/check_com_ports.sh"
"$@"
