# bash completion for korvane-reset: its options, the values of --line, and
# the ports: the serial and parallel device files and stable names that
# exist, quorvik's names and null. The width is a number: nothing offered.
# _korvane_reset_dev may name another folder than /dev (the tests set it).
_korvane_reset_ports()
{
    local dev=${_korvane_reset_dev:-/dev} file
    for file in "$dev"/tty{USB,ACM,S,AMA}[0-9]* "$dev"/parport[0-9]* "$dev"/serial/by-{id,path}/*; do
        [[ -e $file || -L $file ]] && printf '%s\n' "/dev/${file#"$dev"/}"
    done
}

_korvane_reset()
{
    local cur prev words cword split
    _init_completion -s || return
    if [[ $prev == --line ]]; then
        COMPREPLY=($(compgen -W 'dtr rts both' -- "$cur"))
        return
    fi
    if [[ $prev == --inc ]]; then
        _filedir inc
        return
    fi
    $split && return
    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W '--line= --invert --sequence= --expect= --baud= --timeout= --tries= --probe --inc= --list --json --help --version' -- "$cur"))
        [[ ${COMPREPLY-} == *= ]] && compopt -o nospace
        return
    fi
    # The port is the first word that is no option; nothing after it.
    local i operands=0
    for ((i = 1; i < cword; i++)); do
        [[ ${words[i]} != -* ]] && operands=$((operands + 1))
    done
    [[ $operands -eq 0 ]] || return
    local ports
    ports=$(_korvane_reset_ports)
    if [[ $cur == /* ]]; then
        COMPREPLY=($(compgen -W "$ports" -- "$cur"))
    else
        # Bare names are looked up in /dev itself, so the stable names below
        # /dev/serial are offered only as paths.
        COMPREPLY=($(compgen -W "$(grep -v '^/dev/serial/' <<<"$ports" | sed 's|^/dev/||') null lp0 lp1 lp2" -- "$cur"))
    fi
} &&
    complete -F _korvane_reset korvane-reset
