#!/usr/bin/env bash
# The manual pages describe the programs as they are: every command and every option the programs' own help
# lists appears in the page, and groff (where it is installed) reads the pages without a warning.
# Usage: man_pages_test.sh MAN_FOLDER TOOL [EDITOR]
set -uo pipefail
man_folder=$1
tool=$2
editor=${3:-}

passed=0
failed=0
check() {
    local name=$1
    shift
    if "$@"; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        echo "FAILED: $name"
    fi
}

# An option or command named in a page, in roff: "\-\-master" for --master.
in_page() { grep -qF -- "$(sed 's/-/\\-/g' <<<"$2")" "$1"; }
# The long and short options of a help text's option lines ("  -m, --master=MASTER  ...").
options_of() { grep -E '^ +-' | grep -oE -- '(^| )--?[A-Za-z][a-z-]*' | tr -d ' ' | sort -u; }

tool_page=$man_folder/postvane-config-tool.1
for command in resave check graph sql scramble unscramble help; do
    check "the tool's page describes $command" grep -qE "^\.B $command( |$)" "$tool_page"
    for option in $("$tool" help "$command" 2>/dev/null | options_of); do
        check "the tool's page names $command $option" in_page "$tool_page" "$option"
    done
done
for option in $("$tool" --help | options_of); do
    check "the tool's page names $option" in_page "$tool_page" "$option"
done
for status in 0 1 2; do
    check "the tool's page explains exit status $status" grep -qx "\.B $status" "$tool_page"
done
types=$("$tool" help resave | sed -n '/(--type):/,/^$/p' | sed 's/.*(--type)://' | tr ', ' '\n\n' | grep -E '^[A-Z]')
check "the tool's help lists the types" test -n "$types"
for type in $types; do
    check "the tool's page names the type $type" grep -q "^\.BR* $type" "$tool_page"
done

if [ -n "$editor" ]; then
    editor_page=$man_folder/postvane-config.1
    for option in $(QT_QPA_PLATFORM=offscreen timeout 60 "$editor" --help | options_of); do
        check "the editor's page names $option" in_page "$editor_page" "$option"
    done
fi

if command -v groff >/dev/null; then
    for page in "$man_folder"/*.1; do
        check "groff reads $(basename "$page") without a warning" \
            test -z "$(LC_ALL=C.UTF-8 groff -man -ww -z -Tutf8 "$page" 2>&1)"
    done
fi

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
