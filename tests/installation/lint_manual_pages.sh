#!/usr/bin/env bash
# Every manual page must pass mandoc's and groff's checks without a warning.
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
status=0
for page in "$root/mardeluk/mardeluk.1" "$root/quorvik/quorvik.1" "$root/korvane-reset/korvane-reset.1" \
    "$root/korvane-baud/korvane-baud.1"; do
    if ! mandoc -T lint -W warning "$page"; then
        status=1
    fi
    messages=$(groff -t -ww -z -man "$page" 2>&1)
    if [ -n "$messages" ]; then
        printf '%s\n' "$messages"
        status=1
    fi
    [ "$status" -eq 0 ] && echo "ok: $(basename "$page")"
done
exit "$status"
