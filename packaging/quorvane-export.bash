# bash completion for quorvane-export                           -*- shell-script -*-
#
# The options come from the program's own --help, so a new option is offered as soon as
# the program has it; an option shown with a "<VALUE>" takes the next word. Table names
# come from `quorvane-export --list DATABASE`.

# Prints one line per option: "V -o" for an option that takes a value, "F --list" for a flag.
_quorvane_export_options()
{
    "$1" --help 2>/dev/null | awk '
        /^ +-/ {
            spec = $0
            sub(/^ +/, "", spec)
            sub(/  .*/, "", spec)
            kind = (spec ~ /</) ? "V" : "F"
            n = split(spec, parts, /, */)
            for (i = 1; i <= n; i++) {
                word = parts[i]
                sub(/[ =].*/, "", word)
                if (word ~ /^-/)
                    print kind, word
            }
        }'
}

_quorvane_export()
{
    local cur prev words cword split
    _init_completion -s || return

    local options valued
    options=$(_quorvane_export_options "$1")
    valued=" $(awk '$1 == "V" { printf "%s ", $2 }' <<<"$options")"

    if [[ $valued == *" $prev "* ]]; then
        case $prev in
            -o | --output) _filedir -d ;;
        esac
        return
    fi
    $split && return

    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$(awk '{ print $2 }' <<<"$options")" -- "$cur"))
        [[ ${COMPREPLY-} == *= ]] && compopt -o nospace
        return
    fi

    # The first word that is neither an option nor an option's value names the database;
    # the words after it are tables.
    local i word database="" password=() ended=""
    for ((i = 1; i < cword; i++)); do
        word=${words[i]}
        if [[ -z $ended && $word == -- ]]; then
            ended=1
        elif [[ -z $ended && $word == -* ]]; then
            if [[ $valued == *" $word "* ]]; then
                [[ $word == -p || $word == --password ]] && password=(--password "${words[i + 1]}")
                ((i++))
            fi
        else
            database=$word
            break
        fi
    done

    if [[ -z $database ]]; then
        _filedir '@(mdb|accdb|MDB|ACCDB)'
        return
    fi

    database=${database/#\~/$HOME}
    # Matched by hand rather than with compgen -W, which would expand a "$" or a quote in
    # a table's name.
    local tables name
    tables=$("$1" --list "${password[@]}" -- "$database" 2>/dev/null) || return
    COMPREPLY=()
    while IFS= read -r name; do
        [[ -n $name && $name == "$cur"* ]] && COMPREPLY+=("$(printf '%q' "$name")")
    done <<<"$tables"
} &&
    complete -F _quorvane_export quorvane-export

# ex: filetype=sh
