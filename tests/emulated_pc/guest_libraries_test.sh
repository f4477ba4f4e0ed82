#!/usr/bin/env bash
# What guest_libraries.sh lists for the given programs, found with a PATH
# that holds only the tools the listing may use: no ldd, so nothing can have
# asked a dynamic loader. Each list must start with the program's own loader,
# hold only files of the program's ELF class and machine, and close over the
# libraries' needs. A library that is missing must stop the listing with one
# line naming the program and the library.
#   guest_libraries_test.sh C++COMPILER PROGRAM...
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
compiler=$1
shift
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/tools"
for tool in od tr readelf sed; do
    ln -s "$(command -v "$tool")" "$work/tools/$tool"
done
failures=0
check() {
    if [ "$1" != "$2" ]; then
        echo "FAILED: $3: got '$1', expected '$2'"
        failures=$((failures + 1))
    fi
}
kind() {
    printf '%s/%s' "$(od -An -tx1 -j 4 -N 1 "$1" | tr -d ' ')" "$(od -An -tu2 -j 18 -N 2 "$1" | tr -d ' ')"
}
needed() {
    readelf -d "$1" | sed -n 's/^.*(NEEDED).*Shared library: \[\(.*\)\]$/\1/p'
}
list() {
    env -i PATH="$work/tools" "$(command -v bash)" "$here/guest_libraries.sh" "$@"
}

for program in "$@"; do
    list "$program" >"$work/list" 2>"$work/errors"
    check "$?" 0 "$program: exit status"
    check "$(cat "$work/errors")" "" "$program: standard error"
    interpreter=$(readelf -l "$program" | sed -n 's/^.*\[Requesting program interpreter: \(.*\)\]$/\1/p')
    check "$(head -n 1 "$work/list")" "$interpreter" "$program: first line, the dynamic loader"
    check "$(sort "$work/list" | uniq -d)" "" "$program: listed twice"
    while read -r file; do
        check "$(kind "$file")" "$(kind "$program")" "$program: class/machine of $file"
        for name in $(needed "$file"); do
            grep -q "/$name\$" "$work/list" || check "missing" "listed" "$program: $name, needed by $file"
        done
    done < <(echo "$program"; tail -n +2 "$work/list")
    echo "$program: $(wc -l <"$work/list") files listed"
done

# A program whose library is gone.
echo 'int gone() { return 0; }' >"$work/gone.cpp"
echo 'int gone(); int main() { return gone(); }' >"$work/uses_gone.cpp"
"$compiler" -shared -fPIC "$work/gone.cpp" -o "$work/libkorvanegone.so" &&
    "$compiler" "$work/uses_gone.cpp" -L"$work" -lkorvanegone -o "$work/uses_gone" ||
    { echo "FAILED: cannot build the program without its library"; exit 1; }
rm "$work/libkorvanegone.so"
list "$work/uses_gone" >/dev/null 2>"$work/errors"
check "$?" 1 "missing library: exit status"
check "$(wc -l <"$work/errors")" 1 "missing library: lines on standard error"
grep -q "$work/uses_gone needs libkorvanegone.so, " "$work/errors" ||
    check "$(cat "$work/errors")" "a line naming the program and libkorvanegone.so" "missing library: the line"

[ "$failures" -eq 0 ] || exit 1
echo "guest libraries: all checks passed"
