# bash completion for quorvexctl                                   -*- shell-script -*-
#
# Commands, each command's options and the values they take: relay models, languages,
# example programs, serial ports, program files (*.qvp) and other files. Commands, options and
# arguments are read from the program's own help ("quorvexctl help", "quorvexctl help
# COMMAND"), so that what the program learns completes without a change here.

# The help of the quorvexctl in the command line ($1), of a command ($2) or the overview.
_quorvexctl_help()
{
    if [[ -n ${2-} ]]; then
        LC_ALL=C.UTF-8 "$1" help "$2" 2>/dev/null
    else
        LC_ALL=C.UTF-8 "$1" help 2>/dev/null
    fi
}

# The commands of the overview's "Commands:" list.
_quorvexctl_commands()
{
    _quorvexctl_help "$1" | awk '/^Commands:$/ { inside = 1; next }
                                 inside && /^$/ { exit }
                                 inside && /^  [a-z]/ { print $1 }'
}

# One line per option of a command: the option, then the name of its value if it takes one.
# Read from the help's list items ("  -o, --output FILE  ..."): options and the upper-case
# value names after them, up to the description.
_quorvexctl_options()
{
    _quorvexctl_help "$1" "$2" | awk '
        /^  -/ {
            n = split($0, word, " "); value = ""; count = 0
            for (i = 1; i <= n; i++) {
                w = word[i]; sub(/,$/, "", w)
                if (w ~ /^-/) { option[++count] = w; continue }
                if (w ~ /^[A-Z][A-Z0-9_:=@]*$/) { value = w; continue }
                break
            }
            for (i = 1; i <= count; i++) print option[i], value
        }
        END { print "--help" }'
}

# The forms of a command's usage, one line each, without "Usage:", the program's name and
# the command's; a form wrapped onto further lines is joined.
_quorvexctl_usage()
{
    _quorvexctl_help "$1" "$2" | awk '
        NR == 1 { if (!sub(/^Usage: +[^ ]+ +[^ ]+ */, "")) exit; form = $0; next }
        /^        / { sub(/^ +/, " "); form = form $0; next }
        /^ +[^ ]/ { print form; sub(/^ +[^ ]+ +[^ ]+ */, ""); form = $0; next }
        { exit }
        END { if (NR > 0 && form != "") print form }'
}

# The language codes of the modules installed beside the program (Lang/Strings_CODE.so).
_quorvexctl_languages()
{
    local program folder module
    program=$(type -P -- "$1") || return
    program=$(readlink -f -- "$program") || return
    folder=${program%/*}/Lang
    for module in "$folder"/Strings_*.so; do
        [[ -e $module ]] || continue
        module=${module##*/Strings_}
        printf '%s\n' "${module%.so}"
    done
}

# Serial ports where relays are attached, and those named in QUORVEX_EXTRA_PORTS.
_quorvexctl_ports()
{
    local port
    for port in /dev/ttyACM* /dev/ttyUSB*; do
        [[ -e $port ]] && printf '%s\n' "$port"
    done
    local IFS=:
    for port in ${QUORVEX_EXTRA_PORTS-}; do
        [[ -n $port ]] && printf '%s\n' "$port"
    done
}

# Completes the value of a command's option ($3) named VALUE ($4) in its help.
_quorvexctl_value()
{
    local program=$1 command=$2 option=$3 value=$4 words
    case $option,$value in
        --port,* | *,PORT) words=$(_quorvexctl_ports) ;;
        *,MODEL) words="QVR_K115_ZQX QVS_K115_318" ;;
        *,LANGUAGE) words=$(_quorvexctl_languages "$program") ;;
        *,FORMAT) words="pdf svg png" ;;
        --example,*) words=$(LC_ALL=C.UTF-8 "$program" "$command" --list-examples 2>/dev/null |
                             awk 'NF { print $1 }') ;;
        --file,*) _filedir qvp; return ;;
        *,FILE | *,OUT | *,TEXT) _filedir; return ;;
        *) return ;;
    esac
    COMPREPLY=($(compgen -W "$words" -- "$cur"))
}

# Completes the positional argument number $3 (from 0) of a command from the forms of its
# usage; $4 lists the command's options. A word in lower case stands for itself ("password
# change"), FILE names a program file, TEXT any file; a last argument with "..." repeats.
_quorvexctl_argument()
{
    local program=$1 command=$2 position=$3 options=$4 form word words="" files=""
    while IFS= read -r form; do
        [[ -n $form ]] || continue
        local index=0 skip=false last="" repeats=false found=false
        form=${form//[/ }
        form=${form//]/ }
        for word in $form; do
            if $skip; then
                skip=false
                continue
            fi
            [[ $word == ... || $word == "|" ]] && continue
            if [[ $word == -* ]]; then
                # An option that takes a value: the next word is that value.
                awk -v o="$word" '$1 == o && NF > 1 { found = 1 } END { exit !found }' <<<"$options" && skip=true
                continue
            fi
            [[ $word == *... ]] && repeats=true || repeats=false
            last=${word%...}
            if ((index == position)); then
                found=true
                break
            fi
            ((index++))
        done
        $found || { $repeats && found=true; }
        $found || continue
        case $last in
            [a-z]*) words+=" ${last//|/ }" ;;
            FILE*) files=qvp ;;
            TEXT) files=any ;;
        esac
    done <<<"$(_quorvexctl_usage "$program" "$command")"
    COMPREPLY=($(compgen -W "$words" -- "$cur"))
    case $files in
        qvp) _filedir qvp ;;
        any) _filedir ;;
    esac
}

_quorvexctl()
{
    local cur prev words cword split
    _init_completion -s -n : || return

    local program=${words[0]} command="" i
    for ((i = 1; i < cword; i++)); do
        if [[ ${words[i]} != -* ]]; then
            command=${words[i]}
            break
        fi
    done

    if [[ -z $command ]]; then
        if [[ $cur == -* ]]; then
            COMPREPLY=($(compgen -W "--help --version" -- "$cur"))
        else
            COMPREPLY=($(compgen -W "help $(_quorvexctl_commands "$program")" -- "$cur"))
        fi
        return
    fi
    if [[ $command == help ]]; then
        ((cword == i + 1)) && COMPREPLY=($(compgen -W "$(_quorvexctl_commands "$program")" -- "$cur"))
        return
    fi

    local options option value
    options=$(_quorvexctl_options "$program" "$command")

    # The value of the option before the word, or after its "=".
    if [[ $prev == -* ]]; then
        while read -r option value; do
            if [[ $option == "$prev" ]]; then
                [[ -n $value ]] && { _quorvexctl_value "$program" "$command" "$option" "$value"; return; }
                break
            fi
        done <<<"$options"
    fi
    $split && return

    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$(awk '{ print $1 }' <<<"$options")" -- "$cur"))
        return
    fi

    # Which positional argument this is: the words after the command that are neither options
    # nor the values of options.
    local position=0 j takes
    for ((j = i + 1; j < cword; j++)); do
        if [[ ${words[j]} == -* ]]; then
            [[ ${words[j]} == *=* ]] && continue
            takes=$(awk -v o="${words[j]}" '$1 == o && NF > 1 { print "yes" }' <<<"$options")
            [[ -n $takes ]] && ((j++))
            continue
        fi
        ((position++))
    done
    _quorvexctl_argument "$program" "$command" "$position" "$options"
} &&
    complete -F _quorvexctl quorvexctl

# ex: filetype=sh
