#!/usr/bin/env bash
# The editor's bash completion, sourced into a plain bash: it offers every option the editor's --help lists,
# and only files once the master's path has begun.
# Usage: editor_completion_test.sh COMPLETION_FILE EDITOR
set -uo pipefail
# shellcheck source=/dev/null
source "$1"
editor=$2
failed=0
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cd "$scratch" && touch -- "-odd.xml" master.xml

complete_words() {
    COMP_WORDS=(postvane-config "$@")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMPREPLY=()
    _postvane_config
    if [ ${#COMPREPLY[@]} -gt 0 ]; then printf '%s\n' "${COMPREPLY[@]}" | LC_ALL=C sort | tr '\n' ' '; fi
}
expect() {
    if [ "$2" != "$3" ]; then
        failed=1
        printf 'FAILED: %s\n  expected: %s\n  actual:   %s\n' "$1" "$2" "$3"
    fi
}

expect "options" "--help --no-settings --version " "$(complete_words --)"
expect "--no" "--no-settings " "$(complete_words --no)"
expect "a file" "master.xml " "$(complete_words ma)"
expect "after the path began, a file" "-odd.xml " "$(complete_words --no-settings my -o)"
expect "after --, a file" "-odd.xml " "$(complete_words -- -o)"
for option in $(QT_QPA_PLATFORM=offscreen timeout 60 "$editor" --help | grep -E '^ +-' | grep -oE -- '--[a-z-]+' | sort -u); do
    expect "$option is offered" "$option " "$(complete_words "$option")"
done
exit $failed
