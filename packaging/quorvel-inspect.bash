# bash completion for quorvel-inspect. The options and their fixed values
# are read from the program's own --help, the setting names from
# --list-settings, so the completion follows the program it completes.

_quorvel_inspect()
{
    local cur=${COMP_WORDS[COMP_CWORD]}
    local prev=
    ((COMP_CWORD > 0)) && prev=${COMP_WORDS[COMP_CWORD - 1]}
    local program=${COMP_WORDS[0]}
    # bash splits "--format=c" into "--format" "=" "c".
    if [[ $cur == = ]]; then
        cur=
    elif [[ $prev == = ]] && ((COMP_CWORD > 1)); then
        prev=${COMP_WORDS[COMP_CWORD - 2]}
    fi
    [[ $prev == --color ]] && prev=--colour
    COMPREPLY=()

    local IFS=$' \t\n' line word
    local -a words=()
    if [[ $prev == -s || $prev == --setting ]]; then
        local name
        while IFS= read -r name; do
            name=$(printf '%q' "$name")
            [[ $name == "$cur"* ]] && COMPREPLY+=("$name")
        done < <("$program" --list-settings 2>/dev/null)
        return 0
    fi

    local -a options=() values=()
    while IFS= read -r line; do
        # Option lines are indented by four and start with a dash.
        [[ $line == "    -"* ]] || continue
        read -ra words <<<"${line//,/ }"
        local takes=
        for word in "${words[@]}"; do
            if [[ $word == -* ]]; then
                options+=("$word")
                [[ $word == "$prev" ]] && takes=1
            elif [[ $takes && $word == *"|"* ]]; then
                # "-f, --format lines|tsv|csv|json": the values it takes.
                IFS='|' read -ra values <<<"$word"
                break
            else
                break
            fi
        done
    done < <(LC_ALL=C "$program" --help 2>/dev/null)

    if ((${#values[@]} > 0)); then
        mapfile -t COMPREPLY < <(compgen -W "${values[*]}" -- "$cur")
    elif [[ $cur == -* ]]; then
        mapfile -t COMPREPLY < <(compgen -W "${options[*]}" -- "$cur")
    fi
    # Anything else: file names, as bash completes them by default.
}
complete -o bashdefault -o default -F _quorvel_inspect quorvel-inspect
