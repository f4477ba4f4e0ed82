#!/usr/bin/env bash
# Every manual page, as the build writes it, must pass mandoc's and groff's
# checks without a warning, and its footer must name the version that the
# programs' --version prints.
#   lint_manual_pages.sh BUILD_FOLDER KORVANE_BAUD
set -uo pipefail
build=$1
status=0
# Every program prints the one version of the build: korvane-baud's stands for all.
version=$("$2" --version | sed -n 's/^korvane-baud (KORVANE host tools) //p')
[ -n "$version" ] || { echo "korvane-baud --version printed no version"; exit 1; }
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
