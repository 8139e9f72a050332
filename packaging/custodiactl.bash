# Completion of custodiactl's words; the table of commands above this function is generated from the
# program's own command tables at build time.

# The login paths the console manages: what `custodiactl paths list` prints, one a line, with the
# output escapes (\t, \n, \r, \\, \xHH) undone so that a completed path is the folder's real name.
_custodiactl_login_paths()
{
    local line
    while IFS= read -r line; do
        printf '%b\n' "$line"
    done < <("${1:-custodiactl}" paths list 2>/dev/null)
}

_custodiactl()
{
    local cur=${COMP_WORDS[COMP_CWORD]}
    local program=${COMP_WORDS[0]}
    local -a typed=("${COMP_WORDS[@]:1:COMP_CWORD-1}")

    # The command's words: one word ("init") or two ("users list").
    local words="" candidate
    if [ ${#typed[@]} -ge 1 ]; then
        for candidate in "${_custodiactl_commands[@]}"; do
            [ "$candidate" = "${typed[0]}" ] && words=$candidate
            [ ${#typed[@]} -ge 2 ] && [ "$candidate" = "${typed[0]} ${typed[1]}" ] && words=$candidate
        done
    fi

    if [ -z "$words" ]; then
        local -a choices=()
        if [ ${#typed[@]} -eq 0 ]; then
            choices=(--help)
            for candidate in "${_custodiactl_commands[@]}"; do
                [[ " ${choices[*]} " == *" ${candidate%% *} "* ]] || choices+=("${candidate%% *}")
            done
        elif [ ${#typed[@]} -eq 1 ]; then
            choices=(--help)
            for candidate in "${_custodiactl_commands[@]}"; do
                [ "${candidate%% *}" = "${typed[0]}" ] && [ "$candidate" != "${typed[0]}" ] && choices+=("${candidate#* }")
            done
        fi
        mapfile -t COMPREPLY < <(compgen -W "${choices[*]}" -- "$cur")
        return
    fi

    local -a word_list
    read -r -a word_list <<<"$words"
    local -a rest=("${typed[@]:${#word_list[@]}}")

    if [[ $cur == -* ]]; then
        mapfile -t COMPREPLY < <(compgen -W "${_custodiactl_options[$words]}" -- "$cur")
        # An option that takes a value goes on right after its "=".
        if [[ ${COMPREPLY[0]-} == *= ]]; then
            compopt -o nospace 2>/dev/null || true
        fi
        return 0
    fi

    # Which operand is being typed: count the operands so far, skipping options and their values.
    local operand_index=0 i option
    for ((i = 0; i < ${#rest[@]}; i++)); do
        case ${rest[i]} in
        --*=*) ;;
        --*)
            for option in ${_custodiactl_options[$words]}; do
                [ "$option" = "${rest[i]}=" ] && i=$((i + 1))
            done
            ;;
        *) operand_index=$((operand_index + 1)) ;;
        esac
    done
    local -a operands
    read -r -a operands <<<"${_custodiactl_operands[$words]}"
    if [ "${operands[operand_index]-}" = PATH ]; then
        local -a paths
        mapfile -t paths < <(_custodiactl_login_paths "$program")
        local path
        COMPREPLY=()
        for path in "${paths[@]}"; do
            [[ $path == "$cur"* ]] && COMPREPLY+=("$path")
        done
        # A login path not yet managed is a folder like any other.
        local folder
        while IFS= read -r folder; do
            [[ " ${paths[*]} " == *" $folder "* ]] || COMPREPLY+=("$folder")
        done < <(compgen -d -- "$cur")
        compopt -o filenames 2>/dev/null || true
        return 0
    fi
    COMPREPLY=()
}

complete -F _custodiactl custodiactl
