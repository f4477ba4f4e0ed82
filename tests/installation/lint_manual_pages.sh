#!/usr/bin/env bash
# Every manual page, as the build writes it, must pass mandoc's and groff's
# checks without a warning, and its footer must name the version that the
# programs' --version prints.
#   lint_manual_pages.sh BUILD_FOLDER KORVANE_BAUD KORVANE_RESET
set -uo pipefail
build=$1
status=0
versions=$("$2" --version && "$3" --version) || { echo "--version failed"; exit 1; }
version=$(printf '%s\n' "$versions" | sed -n '1s/^korvane-baud (KORVANE host tools) //p')
other=$(printf '%s\n' "$versions" | sed -n '2s/^korvane-reset (KORVANE host tools) //p')
if [ -z "$version" ] || [ "$version" != "$other" ]; then
    printf 'the programs disagree on their version:\n%s\n' "$versions"
    exit 1
fi
for page in "$build/mardeluk/mardeluk.1" "$build/quorvik/quorvik.1" "$build/korvane-reset/korvane-reset.1" \
    "$build/korvane-baud/korvane-baud.1"; do
    if ! mandoc -T lint -W warning "$page"; then
        status=1
    fi
    messages=$(groff -t -ww -z -man "$page" 2>&1)
    if [ -n "$messages" ]; then
        printf '%s\n' "$messages"
        status=1
    fi
    footer=$(grep -m1 '^\.TH ' "$page" | cut -d'"' -f2)
    if [ "$footer" != "KORVANE $version" ]; then
        echo "$(basename "$page"): the footer says \"$footer\", --version says $version"
        status=1
    fi
    [ "$status" -eq 0 ] && echo "ok: $(basename "$page") (KORVANE $version)"
done
exit "$status"
