#!/usr/bin/env bash
# The editor's master named on its command line reaches the window as the shell gave it: after --, or after its
# first word, a word that Qt would take as its own option (-reverse) is part of the path, and a name that is not
# UTF-8 is the file of that name; Qt's options before the path are still Qt's. Each run renders the windows
# with --screenshots, whose messages go to standard error, and which fails when the master cannot be read.
# Usage: editor_command_line_test.sh EDITOR EXAMPLES
set -uo pipefail
editor=$1
examples=$2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cp -r "$examples/config" "$scratch/config"
cd "$scratch/config" || exit 1
latin1=$'\xe9t\xe9.xml'
for name in -reverse "a -reverse" "$latin1"; do cp -- master.xml "$name"; done

passed=0
failed=0
opens() {
    local name=$1
    shift
    local err status
    err=$("$@" 2>&1 >/dev/null)
    status=$?
    if [[ $status == 0 && $err != *"does not exist"* && $err != *"Could not"* ]]; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        printf 'FAILED: %s\n  status %s\n  stderr: %s\n' "$name" "$status" "$err"
    fi
}
offscreen=(env QT_QPA_PLATFORM=offscreen "$editor" --no-settings --screenshots "$scratch/shots")

opens "a path after -- that is a Qt option" "${offscreen[@]}" -- -reverse
opens "a Qt option among the words of the path" "${offscreen[@]}" a -reverse
opens "a name that is not UTF-8" "${offscreen[@]}" "$latin1"
opens "a name that is not UTF-8, after --" "${offscreen[@]}" -- "$latin1"
# Qt's options before the path, with their values, are Qt's: the platform is the one they name.
opens "Qt's options before the path" env -u QT_QPA_PLATFORM -u DISPLAY -u WAYLAND_DISPLAY "$editor" \
    -platform offscreen --no-settings -style Fusion -reverse --screenshots "$scratch/shots" -- -reverse

echo "$passed passed, $failed failed"
[[ $failed == 0 ]]
