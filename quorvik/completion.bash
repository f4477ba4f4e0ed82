# bash completion for quorvik: the port names in the first position, bare or
# after "/dev/" once a "/" has been typed. The pulse width is a number, so
# nothing is offered for it.
_quorvik()
{
    local cur prev words cword
    _init_completion || return
    if [[ $cword -eq 1 ]]; then
        local names=(ttyS0 ttyS1 ttyS2 ttyS3 lp0 lp1 lp2 cua0 cua1 cua2 cua3 null)
        if [[ $cur == /* ]]; then
            COMPREPLY=($(compgen -W "${names[*]/#//dev/}" -- "$cur"))
        else
            COMPREPLY=($(compgen -W "${names[*]}" -- "$cur"))
        fi
    fi
} &&
    complete -F _quorvik quorvik
