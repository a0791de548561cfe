#!/usr/bin/env bash
# The tool's bash completion, sourced into a plain bash (no bash-completion package): what it offers for a few
# command lines, and that its commands, options and types are the ones the tool itself knows.
# Usage: bash_completion_test.sh COMPLETION_FILE TOOL
set -uo pipefail
completion=$1
tool=$(realpath "$2")
# shellcheck source=/dev/null
source "$completion"

passed=0
failed=0
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# Completes WORDS (the last one is the word under the cursor) and prints COMPREPLY sorted, one per line.
complete_words() {
    COMP_WORDS=("$tool" "$@")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMPREPLY=()
    _postvane_config_tool 2>/dev/null
    if [ ${#COMPREPLY[@]} -gt 0 ]; then printf '%s\n' "${COMPREPLY[@]}" | LC_ALL=C sort; fi
}

expect() {
    local name=$1 expected=$2 actual=$3
    if [ "$expected" = "$actual" ]; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        printf 'FAILED: %s\n  expected: %s\n  actual:   %s\n' "$name" "${expected//$'\n'/ }" "${actual//$'\n'/ }"
    fi
}

lines() { printf '%s\n' "$@" | LC_ALL=C sort; }

expect "commands" "$(lines check graph help resave scramble sql unscramble)" "$(complete_words "")"
expect "command prefix" "resave" "$(complete_words re)"
expect "global options" "$(lines --verbose --version)" "$(complete_words --ve)"
expect "command after --verbose" "$(lines scramble sql)" "$(complete_words --verbose s)"
expect "help takes a command" "$(lines scramble sql)" "$(complete_words help s)"
expect "scramble reads standard input" "" "$(complete_words scramble "")"
expect "scramble options" "--help" "$(complete_words scramble --)"

# --type: the tool's own list, as "--type X", "--type=X" split at "=", and "--type=X" kept whole.
# The types as the tool's help lists them: after "(--type):", up to an empty line, however the lines wrap.
listed_types=$("$tool" help resave | sed -n '/(--type):/,/^$/p' | sed 's/.*(--type)://' | tr ', ' '\n\n' |
    grep -E '^[A-Z]' | LC_ALL=C sort)
expect "the tool lists ForwardMessage and WriteToDB" "2" "$(grep -cxE 'ForwardMessage|WriteToDB' <<<"$listed_types")"
types=$(complete_words resave --type "")
expect "--type offers every type the tool lists" "$listed_types" "$types"
expect "--type=, split at =" "$types" "$(complete_words resave --type = "")"
expect "--type=Forw, split at =" "ForwardMessage" "$(complete_words resave --type = Forw)"
expect "-t Move" "MoveToSubfolder" "$(complete_words resave -t Move)"
expect "check --format" "$(lines json sarif text)" "$(complete_words check --format "")"
expect "check --format=s, split at =" "sarif" "$(complete_words check --format = s)"
COMP_WORDBREAKS=${COMP_WORDBREAKS//=/}
expect "--type=Forw, one word" "--type=ForwardMessage" "$(complete_words resave --type=Forw)"
expect "--format=j, one word" "--format=json" "$(complete_words check --format=j)"
# Every type offered is one the tool accepts: an unknown one would be a usage error (exit 2).
for type in $types; do
    "$tool" resave --type "$type" "$scratch/missing.xml" >/dev/null 2>&1
    status=$?
    expect "the tool accepts --type $type" "1" "$status"
done

# --backup=CONTROL: GNU's words.
expect "--backup=n, split at =" "$(lines never nil none numbered)" "$(complete_words resave --backup = n)"
# --jobs: a number of threads, up to one per processor.
expect "--jobs offers 1 to the processors" "$(seq 1 "$(nproc)" | LC_ALL=C sort)" "$(complete_words check --jobs "")"
expect "-j 1" "1" "$(complete_words check -j 1 | head -n 1)"

# File names, also with blanks, for operands and --master.
mkdir -p "$scratch/configs" && touch "$scratch/configs/master one.xml" "$scratch/configs/monitor.xml"
cd "$scratch" || exit 1
expect "operand file names" "$(lines "configs/master one.xml" configs/monitor.xml)" "$(complete_words check configs/m)"
expect "--master file names" "configs/monitor.xml" "$(complete_words sql --master configs/mon)"
expect "--master=, one word" "--master=configs/monitor.xml" "$(complete_words sql --master=configs/mon)"
expect "after --, a file even if it begins with -" "" "$(complete_words resave -- --st)"

# Each command's options are the ones its help lists, and so are the options before a command.
help_options() { "$tool" "$@" --help | grep -E '^ +-' | grep -oE -- '--[a-z][a-z-]*' | LC_ALL=C sort -u; }
completed_options() { complete_words "$@" -- | sed 's/=$//' | LC_ALL=C sort -u; }
for command in resave check graph sql scramble unscramble; do
    expect "$command options match its help" "$(help_options "$command")" "$(completed_options "$command")"
done
expect "options before a command match the help" "$(help_options)" "$(complete_words --)"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
