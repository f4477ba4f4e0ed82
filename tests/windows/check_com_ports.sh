#!/usr/bin/env bash
# Inside private_wine.sh: fails unless every COM port that the wine prefix
# maps leads to one of the pseudo terminals given (none given: no port at
# all), in the prefix's dosdevices links and in its registry.
#   check_com_ports.sh [PTY...]
set -euo pipefail
source "$(dirname "$0")/private_dev_guard.sh"
require_private_dev
allowed=" $* "
status=0
for link in "$WINEPREFIX"/dosdevices/com*; do
    [ -L "$link" ] || continue
    target=$(readlink "$link")
    case "$allowed" in
        *" $target "*) ;;
        *) echo "check_com_ports.sh: $(basename "$link") leads to $target" >&2; status=1 ;;
    esac
done
while read -r name _ target; do
    case "$name" in
        COM*|com*) ;;
        *) continue ;;
    esac
    case "$allowed" in
        *" $target "*) ;;
        *) echo "check_com_ports.sh: $name is mapped to $target" >&2; status=1 ;;
    esac
done < <(wine reg query 'HKLM\Software\Wine\Ports' 2>/dev/null | tr -d '\r' | sed -n 's/^ *\([^ ]*\) *REG_SZ *\(.*\)$/\1 x \2/p')
exit "$status"
