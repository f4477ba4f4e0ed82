#!/usr/bin/env bash
# Checks the Windows build's zip: the three programs, their manual pages as
# HTML, the README, the licence and the page, in one folder; and programs
# that import nothing but Windows' own DLLs, so that no runtime of the
# compiler has to lie beside them.
#   package_test.sh BUILD_FOLDER
set -euo pipefail
build=$(realpath "$1")
version=$(sed -n 's/^set(KORVANE_VERSION \(.*\))$/\1/p' "$(dirname "$0")/../../CMakeLists.txt")
folder=korvane-host-tools-$version-win64
zip=$build/$folder.zip
[ -f "$zip" ] || { echo "no package $zip" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
(cd "$work" && cmake -E tar xf "$zip")
failed=0
for file in mardeluk.exe korvane-baud.exe korvane-reset.exe mardeluk.html korvane-baud.html korvane-reset.html \
            README.md LICENSE.txt korvane.html; do
    if [ ! -s "$work/$folder/$file" ]; then
        echo "missing from the package: $folder/$file"
        failed=1
    fi
done
for program in "$work/$folder"/*.exe; do
    imports=$(x86_64-w64-mingw32-objdump -p "$program" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z' | sort | tr '\n' ' ')
    for dll in $imports; do
        case "$dll" in
            kernel32.dll|msvcrt.dll|advapi32.dll|setupapi.dll|user32.dll|cfgmgr32.dll) ;;
            *) echo "$(basename "$program") imports $dll"; failed=1 ;;
        esac
    done
    echo "$(basename "$program"): imports $imports"
done
grep -q '<title>' "$work/$folder/mardeluk.html" || { echo "mardeluk.html is no HTML page"; failed=1; }
[ "$failed" -eq 0 ] && echo "the package holds the programs, their pages, the README and the licence"
exit "$failed"
