#!/usr/bin/env bash
# Installs a build the two ways users do and checks what they get:
#   1. cmake --install into a staging folder (DESTDIR) with its own prefix;
#   2. the Debian package made by CPack, checked by lintian, installed with
#      dpkg -i, used from PATH, found by man, and removed again with dpkg -r
#      (needs root).
#   package_test.sh BUILD_FOLDER
set -euo pipefail
build=$(realpath "$1")
package=korvane-host-tools
scratch=$(mktemp -d)
installed_here=no
cleanup() {
    if [ "$installed_here" = yes ]; then
        dpkg -r "$package" > /dev/null 2>&1 || true
    fi
    rm -rf "$scratch"
}
trap cleanup EXIT

fail() {
    echo "FAILED: $*"
    exit 1
}

expect_files() {  # folder file...
    local folder=$1
    shift
    local file
    for file in "$@"; do
        [ -f "$folder/$file" ] || fail "$folder/$file is missing"
    done
}

installed_files=(
    bin/mardeluk
    bin/quorvik
    bin/korvane-reset
    bin/korvane-baud
    share/man/man1/mardeluk.1.gz
    share/man/man1/quorvik.1.gz
    share/man/man1/korvane-reset.1.gz
    share/man/man1/korvane-baud.1.gz
    share/bash-completion/completions/mardeluk
    share/bash-completion/completions/quorvik
    share/bash-completion/completions/korvane-reset
    share/bash-completion/completions/korvane-baud
    share/doc/korvane-host-tools/copyright
    share/doc/korvane-host-tools/changelog.gz
)

# The web page comes along where the build made it.
if [ -f "$build/web/korvane.html" ]; then
    installed_files+=(share/korvane-host-tools/korvane.html)
fi

echo "--- cmake --install with DESTDIR and a prefix of its own"
DESTDIR="$scratch/stage" cmake --install "$build" --prefix /opt/korvane > /dev/null
expect_files "$scratch/stage/opt/korvane" "${installed_files[@]}"
[ -x "$scratch/stage/opt/korvane/bin/mardeluk" ] || fail "mardeluk is not executable"
[ "$(find "$scratch/stage" -type f | wc -l)" -eq "${#installed_files[@]}" ] || fail "unexpected files installed"
echo "ok: ${#installed_files[@]} files below DESTDIR/opt/korvane"

echo "--- Debian package"
(cd "$build" && cpack -G DEB > "$scratch/cpack.log" 2>&1) || { cat "$scratch/cpack.log"; fail "cpack"; }
deb=$(ls "$build"/${package}_*.deb)
contents=$(dpkg-deb -c "$deb")
for file in "${installed_files[@]}"; do
    grep -q "\./usr/$file\$" <<< "$contents" || fail "$deb lacks /usr/$file"
done
echo "ok: $(basename "$deb") holds the programs, manual pages, completions, copyright and changelog"
# Debian's own check of a package; any error fails the test.
lintian --fail-on error --no-tag-display-limit "$deb" > "$scratch/lintian.log" 2>&1 ||
    { grep -v 'running with root privileges' "$scratch/lintian.log"; fail "lintian found errors in $(basename "$deb")"; }
echo "ok: lintian finds no error"

if [ "$(id -u)" -ne 0 ]; then
    echo "SKIPPED: installing the package needs root (CI runs this as root)"
    exit 0
fi
if dpkg -s "$package" > /dev/null 2>&1; then
    echo "SKIPPED: $package is already installed on this machine; not replacing it"
    exit 0
fi

dpkg -i "$deb" > /dev/null
installed_here=yes
mkdir "$scratch/run"
cd "$scratch/run"
mardeluk 9600 > out || fail "mardeluk 9600 from PATH failed"
grep -q '^resulting baudrate:          9600.0 Baud$' out || fail "mardeluk printed no result line"
grep -q $'^\tCHARTIME   EQU 0102H$' korvane.inc || fail "korvane.inc is not complete"
quorvik_output=$(quorvik null 1 2>&1) || fail "quorvik null 1 from PATH failed"
[ -z "$quorvik_output" ] || fail "quorvik null 1 printed: $quorvik_output"
reset_output=$(korvane-reset null 1 2>&1) || fail "korvane-reset null 1 from PATH failed"
[ -z "$reset_output" ] || fail "korvane-reset null 1 printed: $reset_output"
korvane-baud --clock 12 --rate 9600 --generator T2 > out || fail "korvane-baud from PATH failed"
grep -q '^  T2\*  0FFD9H' out || fail "korvane-baud printed no row of timer 2"
[ "$(man -w korvane-baud)" = /usr/share/man/man1/korvane-baud.1.gz ] || fail "man -w korvane-baud: $(man -w korvane-baud 2>&1)"
[ "$(man -w korvane-reset)" = /usr/share/man/man1/korvane-reset.1.gz ] || fail "man -w korvane-reset: $(man -w korvane-reset 2>&1)"
[ "$(man -w mardeluk)" = /usr/share/man/man1/mardeluk.1.gz ] || fail "man -w mardeluk: $(man -w mardeluk 2>&1)"
[ "$(man -w quorvik)" = /usr/share/man/man1/quorvik.1.gz ] || fail "man -w quorvik: $(man -w quorvik 2>&1)"
# bash-completion loads a completion on demand from its folder by the command's name.
bash -c 'source /usr/share/bash-completion/bash_completion; _completion_loader quorvik; complete -p quorvik' \
    | grep -q -- '-F _quorvik quorvik' || fail "bash-completion does not load the quorvik completion"
bash -c 'source /usr/share/bash-completion/bash_completion; _completion_loader korvane-reset; complete -p korvane-reset' \
    | grep -q -- '-F _korvane_reset korvane-reset' || fail "bash-completion does not load the korvane-reset completion"
bash -c 'source /usr/share/bash-completion/bash_completion; _completion_loader korvane-baud; complete -p korvane-baud' \
    | grep -q -- '-F _korvane_baud korvane-baud' || fail "bash-completion does not load the korvane-baud completion"
echo "ok: installed with dpkg -i; all four programs run from PATH, man finds every page"

cd /
dpkg -r "$package" > /dev/null
installed_here=no
for file in "${installed_files[@]}"; do
    [ ! -e "/usr/$file" ] || fail "/usr/$file is still there after dpkg -r"
done
dpkg -s "$package" > /dev/null 2>&1 && fail "$package still counts as installed"
echo "ok: removed cleanly with dpkg -r"
