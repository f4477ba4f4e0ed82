#!/usr/bin/env bash
# Lists what a dynamically linked program needs in a guest that has no
# library of its own: its dynamic loader, then every shared library that it
# or one of its libraries needs, one path of this machine a line. Reads the
# ELF files only, with readelf: neither the program nor its dynamic loader
# runs, so the list is the same whether or not this machine's kernel can
# execute programs of the program's class and machine. A static program
# lists nothing.
#
# The libraries are looked up in the folders of the program's own class and
# machine, where its dynamic loader looks for them too; a library in none of
# them ends the listing with one line naming the program and the library.
#
# usage: guest_libraries.sh PROGRAM
set -euo pipefail

program=${1:?usage: guest_libraries.sh PROGRAM}

fail() {
    echo "emulated PC test: $*" >&2
    exit 1
}

# The ELF class (01: 32-bit, 02: 64-bit) and machine number of FILE, as
# "class/machine".
elf_kind() {
    [ "$(od -An -c -N 4 "$1" 2>/dev/null | tr -d ' ')" = 177ELF ] || return 0
    printf '%s/%s\n' "$(od -An -tx1 -j 4 -N 1 "$1" | tr -d ' ')" "$(od -An -tu2 -j 18 -N 2 "$1" | tr -d ' ')"
}

[ -f "$program" ] || fail "$program: no such file"
kind=$(elf_kind "$program")
case $kind in
    02/62) folders=(/lib/x86_64-linux-gnu /usr/lib/x86_64-linux-gnu /lib64 /usr/lib64) ;;
    01/3) folders=(/lib32 /usr/lib32 /lib/i386-linux-gnu /usr/lib/i386-linux-gnu) ;;
    *) fail "$program: not an x86-64 or 32-bit x86 ELF program (class/machine '$kind')" ;;
esac

interpreter=$(readelf -l "$program" | sed -n 's/^.*\[Requesting program interpreter: \(.*\)\]$/\1/p')
[ -n "$interpreter" ] || exit 0
[ -e "$interpreter" ] || fail "$program needs the dynamic loader $interpreter, which this machine does not have"
echo "$interpreter"

# The first library of that name and of the program's kind in the folders.
resolve() {
    local folder
    for folder in "${folders[@]}"; do
        if [ -f "$folder/$1" ] && [ "$(elf_kind "$folder/$1")" = "$kind" ]; then
            echo "$folder/$1"
            return
        fi
    done
}

needed() {
    readelf -d "$1" | sed -n 's/^.*(NEEDED).*Shared library: \[\(.*\)\]$/\1/p'
}

# Breadth first through the needed libraries, each listed once.
declare -A listed=()
queue=("$program")
while [ "${#queue[@]}" -ne 0 ]; do
    file=${queue[0]}
    queue=("${queue[@]:1}")
    for name in $(needed "$file"); do
        [ -z "${listed[$name]-}" ] || continue
        path=$(resolve "$name")
        [ -n "$path" ] || fail "$program needs $name, which is in none of ${folders[*]}"
        listed[$name]=$path
        echo "$path"
        queue+=("$path")
    done
done
