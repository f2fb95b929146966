# bash completion for quorvane-export                           -*- shell-script -*-
#
# The options come from the program's own --help, so a new option is offered as soon as
# the program has it; an option shown with a "<VALUE>" takes the next word. Its values are
# the quoted lower-case words of its description ("text" (the default) or "jsonl"), or
# the a|b|c word that follows it in a usage line ("--schema sqlite|postgres|mysql").
# Table names come from `quorvane-export --list DATABASE`.

# Prints one line per option: "V -o" for an option that takes a value, followed by the
# values it is known to take, "F --list" for a flag.
_quorvane_export_options()
{
    "$1" --help 2>/dev/null | awk '
        function flush(    n, names, i, rest, kind, values, word) {
            if (names_text == "")
                return
            n = split(names_text, names, /[ ,=]+/)
            kind = (names_text ~ /</) ? "V" : "F"
            values = ""
            for (i = 1; i <= n && names[i] ~ /^-/; i++)
                ;
            if (i <= n && names[i] ~ /^[a-z][a-z0-9|-]*$/) {
                kind = "V"
                values = names[i]
                gsub(/\|/, " ", values)
            }
            rest = text
            while (kind == "V" && match(rest, /"[a-z][a-z0-9-]*"/)) {
                values = values " " substr(rest, RSTART + 1, RLENGTH - 2)
                rest = substr(rest, RSTART + RLENGTH)
            }
            for (i = 1; i <= n && names[i] ~ /^-/; i++)
                print kind, names[i], values
            names_text = ""
        }
        /^ +-/ {
            flush()
            names_text = $0
            sub(/^ +/, "", names_text)
            text = ""
            if (match(names_text, /  +/)) {
                text = substr(names_text, RSTART)
                names_text = substr(names_text, 1, RSTART - 1)
            }
            next
        }
        /^ +[^ ]/ { text = text " " $0; next }
        { flush() }
        END { flush() }'
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
            -o | --output)
                # A folder for the text files, a file for a new SQLite database.
                if [[ " ${words[*]} " == *" --format sqlite "* || " ${words[*]} " == *" --format=sqlite "* ]]; then
                    _filedir
                else
                    _filedir -d
                fi
                ;;
            *)
                COMPREPLY=($(compgen -W "$(awk -v o="$prev" '$2 == o { for (i = 3; i <= NF; i++) print $i }' \
                    <<<"$options")" -- "$cur"))
                ;;
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
