# bash completion for zelvar-cli
#
# The commands and their options are read from the program's own help
# (`zelvar-cli --help`, `zelvar-cli COMMAND --help`), so the completion knows
# every command of the installed version.  The argument of an option is
# completed from its help line: a file name for FILE, the choices for
# open|short|diodes or LETTER:{k,l,m,n}, nothing for a number.

# The commands: the lines under "commands:" in the top-level help.
_zelvar_cli_commands() {
    "$1" --help 2>/dev/null | awk '/^commands:/ { on = 1; next } on && /^  [a-z]/ { print $1; next } { on = on && /^ / }'
}

# "NAME ARG" for each option of a command, ARG empty for a flag: the lines of
# the command's help that begin with two spaces and a dash.
_zelvar_cli_options() {
    "$1" "$2" --help 2>/dev/null | sed -n 's/^  \(-[A-Za-z0-9],\)\{0,1\}\(--[A-Za-z0-9][A-Za-z0-9-]*\)\( \([^ ]*\)\)\{0,1\}.*/\2 \4/p'
}

_zelvar_cli() {
    local cur=${COMP_WORDS[COMP_CWORD]} prog=${COMP_WORDS[0]}
    COMPREPLY=()
    if ((COMP_CWORD == 1)); then
        COMPREPLY=($(compgen -W "$(_zelvar_cli_commands "$prog") --help --version" -- "$cur"))
        return 0
    fi
    local command=${COMP_WORDS[1]} prev=${COMP_WORDS[COMP_CWORD - 1]}
    local options names="" name arg wanted=""
    options=$(_zelvar_cli_options "$prog" "$command")
    while read -r name arg; do
        names="$names $name"
        [ "$name" = "$prev" ] && wanted=${arg:-flag}
    done <<<"$options"
    case "$wanted" in
        "" | flag)
            COMPREPLY=($(compgen -W "$names" -- "$cur"))
            ;;
        FILE*)
            if declare -F _filedir >/dev/null; then
                _filedir
            else
                local IFS=$'\n'
                COMPREPLY=($(compgen -f -- "$cur"))
            fi
            ;;
        *"{"*"}"*)
            wanted=${wanted#*\{}
            wanted=${wanted%%\}*}
            COMPREPLY=($(compgen -W "${wanted//,/ }" -- "$cur"))
            ;;
        *"|"*)
            COMPREPLY=($(compgen -W "${wanted//|/ }" -- "$cur"))
            ;;
    esac
    return 0
}

complete -F _zelvar_cli zelvar-cli
