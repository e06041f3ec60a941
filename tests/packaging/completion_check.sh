#!/usr/bin/env bash
# Tab completion of quorvexctl in bash: the words offered after the command name, after a
# command and "--", for option values (models, languages, ports, example names) and for file
# arguments, from the built program and from a stand-in that knows example programs.
#   completion_check.sh COMPLETION_FILE BIN_DIR
set -o pipefail
completion=$(realpath "$1") bin=$(realpath "$2")
loader=/usr/share/bash-completion/bash_completion
[ -r "$loader" ] || { echo "SKIP: bash-completion is not installed"; exit 77; }
source "$loader"
source "$completion"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export PATH="$bin:$PATH" QUORVEX_EXTRA_PORTS=

failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

# Completes the line whose words are the arguments (the last one being completed) as bash
# would after Tab; the offered words go to `offered`, one per line, sorted.
complete_words() {
    COMP_WORDS=("$@")
    COMP_CWORD=$(($# - 1))
    COMP_LINE="$*"
    COMP_POINT=${#COMP_LINE}
    COMPREPLY=()
    _quorvexctl quorvexctl "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}" 2>"$work/stderr"
    [ -s "$work/stderr" ] && fail "[$*] wrote to standard error: $(cat "$work/stderr")"
    offered=$(printf '%s\n' "${COMPREPLY[@]}" | sed '/^$/d' | sort)
}
# Completes a line as typed: a LINE that ends in a space completes an empty word.
complete_line() {
    local words
    read -r -a words <<<"$1"
    [[ $1 == *" " ]] && words+=("")
    complete_words "${words[@]}"
}
# expect_offer "LINE" WORD...: the words must be offered; expect_only: exactly those (none
# when no word is given); expect_not: none of them.
expect_offer() {
    local line=$1; shift
    complete_line "$line"
    for want in "$@"; do
        grep -qxF -- "$want" <<<"$offered" || fail "[$line] does not offer $want: $(tr '\n' ' ' <<<"$offered")"
    done
}
expect_only() {
    local line=$1; shift
    expect_offer "$line" "$@"
    local wanted
    wanted=$(printf '%s\n' "$@" | sed '/^$/d' | sort)
    [ "$offered" = "$wanted" ] || fail "[$line] offers $(tr '\n' ' ' <<<"$offered")instead of $(tr '\n' ' ' <<<"$wanted")"
}
expect_not() {
    local line=$1; shift
    complete_line "$line"
    for unwanted in "$@"; do
        grep -qxF -- "$unwanted" <<<"$offered" && fail "[$line] offers $unwanted"
    done
}

mkdir "$work/files" && cd "$work/files"
mkdir sub
touch timer.qvp notes.txt

# The commands, and after "help" again; options of the program itself.
commands=(check describe diff export identify import list new password read render send set simulate timeline watch)
expect_offer "quorvexctl " help "${commands[@]}"
grep -vqx '[a-z][a-z-]*' <<<"$offered" && fail "[quorvexctl ] offers more than commands: $(tr '\n' ' ' <<<"$offered")"
expect_only "quorvexctl s" send set simulate
expect_offer "quorvexctl help " "${commands[@]}"
expect_only "quorvexctl --" --help --version

# A command's own options, and only its own.
expect_only "quorvexctl send --" --help --no-verify --password --password-file --port --quiet --verbose
expect_only "quorvexctl new --" --example --force --help --language --list-examples --model
expect_offer "quorvexctl read -" -o --output -q -v --port
expect_not "quorvexctl check --" --port --json

# Option values: models, languages installed beside the program, formats, ports.
expect_only "quorvexctl new --model " QVR_K115_ZQX QVS_K115_318
expect_only "quorvexctl new --model QVS" QVS_K115_318
# --model=Q: bash splits the word at "=".
COMPREPLY=(); COMP_WORDS=(quorvexctl new --model = Q); COMP_CWORD=4; COMP_LINE="quorvexctl new --model=Q"
COMP_POINT=${#COMP_LINE}
_quorvexctl quorvexctl Q =
[ "${COMPREPLY[*]-}" = "QVR_K115_ZQX QVS_K115_318" ] || fail "[--model=Q] offers ${COMPREPLY[*]-}"
languages=()
for module in "$bin"/Lang/Strings_*.so; do
    module=${module##*/Strings_}
    languages+=("${module%.so}")
done
[ ${#languages[@]} -ge 5 ] || fail "the build has only ${#languages[@]} language modules"
expect_only "quorvexctl describe timer.qvp --language " "${languages[@]}"
expect_only "quorvexctl render timer.qvp -o t.svg --format " pdf png svg
QUORVEX_EXTRA_PORTS=/dev/pts/91:/dev/pts/92 expect_offer "quorvexctl send timer.qvp --port " /dev/pts/91 /dev/pts/92
for port in /dev/ttyACM* /dev/ttyUSB*; do
    [ -e "$port" ] && expect_offer "quorvexctl identify --port " "$port"
done
expect_only "quorvexctl simulate timer.qvp --ticks "

# Arguments: program files where a program is read, any file for a text or an output file,
# the words of "password", nothing for a step number.
expect_only "quorvexctl send " sub timer.qvp
expect_only "quorvexctl diff timer.qvp " sub timer.qvp
expect_only "quorvexctl import " notes.txt sub timer.qvp
expect_only "quorvexctl export timer.qvp -o " notes.txt sub timer.qvp
expect_only "quorvexctl password " change reset
expect_only "quorvexctl set timer.qvp "
expect_only "quorvexctl simulate --ticks 5 " sub timer.qvp

# Example programs come from the program itself; a program without them offers none.
if examples=$(quorvexctl new --list-examples 2>/dev/null) && [ -n "$examples" ]; then
    expect_offer "quorvexctl new --example " $(awk 'NF { print $1 }' <<<"$examples")
fi
mkdir "$work/stand-in"
cat >"$work/stand-in/quorvexctl" <<'EOF'
#!/bin/sh
# A quorvexctl that knows two example programs.
case "$*" in
    "help") printf 'Usage: quorvexctl COMMAND\n\nCommands:\n  new       write a new program\n' ;;
    "help new") printf 'Usage: quorvexctl new [--example NAME | --model MODEL] FILE\n\nOptions:\n  --example NAME       start from an example\n  --list-examples      list the examples\n  --model MODEL        the relay model\n' ;;
    "new --list-examples") printf 'staircase  light for two minutes\nblinker    on and off each second\n' ;;
    *) exit 2 ;;
esac
EOF
chmod +x "$work/stand-in/quorvexctl"
PATH="$work/stand-in:$PATH" expect_only "quorvexctl new --example " blinker staircase
PATH="$work/stand-in:$PATH" expect_only "quorvexctl new --example s" staircase
PATH="$work/stand-in:$PATH" expect_only "quorvexctl new --" --example --help --list-examples --model

if [ "$failures" -gt 0 ]; then
    echo "$failures failures" >&2
    exit 1
fi
echo "ok: bash completion of quorvexctl"
