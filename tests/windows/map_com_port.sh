#!/usr/bin/env bash
# Inside private_wine.sh: maps COM ports of the prefix to pseudo terminals
# as a user would, in the registry (HKLM\Software\Wine\Ports, COMn = the
# pty's path), in place of every earlier mapping. wine's mount manager makes
# the ports when wine's services start, so the persistent wineserver starts
# again; then the prefix must map nothing else (check_com_ports.sh).
#   map_com_port.sh [COMn=/dev/pts/N...]     none: no COM port at all
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/private_dev_guard.sh"
require_private_dev
key='HKLM\Software\Wine\Ports'
ptys=()
wine reg delete "$key" /f > /dev/null 2>&1 || true
wine reg add "$key" /f > /dev/null
for pair in "$@"; do
    port=${pair%%=*}
    pty=${pair#*=}
    case "$port=$pty" in
        COM[1-9]*=/dev/pts/[0-9]*) ;;
        *) echo "map_com_port.sh: not COMn=/dev/pts/N: $pair" >&2; exit 2 ;;
    esac
    wine reg add "$key" /v "$port" /t REG_SZ /d "$pty" /f > /dev/null
    ptys+=("$pty")
done
wineserver -k
wineserver -w
rm -f "$WINEPREFIX"/dosdevices/com*
wineserver -p > /dev/null 2>&1
wineboot > /dev/null 2>&1
bash "$here/check_com_ports.sh" "${ptys[@]}"
