# bash completion for mardeluk: the generator codes in the second position.
# The other parameters are numbers, so nothing is offered for them.
_mardeluk()
{
    local cur prev words cword
    _init_completion || return
    if [[ $cword -eq 2 ]]; then
        # Codes are accepted in any letter case; offer them as written.
        COMPREPLY=($(compgen -W 'T1 T2 BG BA D1' -- "${cur^^}"))
    fi
} &&
    complete -F _mardeluk mardeluk
