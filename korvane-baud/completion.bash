# bash completion for korvane-baud: its options, the generator codes and
# the adapters. Clocks, rates and the accuracy are numbers: nothing offered.
_korvane_baud()
{
    local cur prev words cword split
    _init_completion -s || return
    case $prev in
    --generator | -g)
        # A list: complete the item after the last comma.
        local head=${cur%"${cur##*,}"}
        COMPREPLY=($(compgen -P "$head" -W 'T1 T2 BG BA D1' -- "${cur##*,}"))
        return
        ;;
    --adapter)
        COMPREPLY=($(compgen -W 'exact 16550 ftdi ch340' -- "$cur"))
        return
        ;;
    --clock | -c | --rate | -r | --accuracy | -a)
        return
        ;;
    esac
    $split && return
    COMPREPLY=($(compgen -W '--clock= --rate= --generator= --accuracy= --adapter= --json --help --version' -- "$cur"))
    [[ ${COMPREPLY-} == *= ]] && compopt -o nospace
} &&
    complete -F _korvane_baud korvane-baud
