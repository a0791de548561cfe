#!/usr/bin/env bash
# The editor started where no window can be shown ends with one line that says so and status 1, instead of
# dying on SIGABRT; --help and --version (-V, as the tool has it) still answer without a display, and say
# when the answer cannot be written.
# Usage: no_display_test.sh EDITOR
set -uo pipefail
editor=$1
bare=(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM)

passed=0
failed=0
expect() {
    local name=$1 want_status=$2 want_err=$3 status=$4 err=$5
    if [[ $status == "$want_status" && $err == $want_err ]]; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        printf 'FAILED: %s\n  status %s (wanted %s)\n  stderr: %s\n' "$name" "$status" "$want_status" "$err"
    fi
}
run() { err=$("$@" 2>&1 >/dev/null); status=$?; }

line="postvane-config: cannot open a display (DISPLAY and WAYLAND_DISPLAY are unset); set one, or use \
postvane-config-tool to check and rewrite files without a display"
run "${bare[@]}" "$editor"
expect "no display at all" 1 "$line" "$status" "$err"
run "${bare[@]}" "$editor" /srv/no/such/master.xml
expect "no display, a master named" 1 "$line" "$status" "$err"
run "${bare[@]}" "$editor" --version
expect "--version without a display" 0 "" "$status" "$err"
out=$("${bare[@]}" "$editor" -V 2>&1); status=$?
expect "-V as the tool's --version" 0 "postvane-config [0-9]*" "$status" "$out"
run "${bare[@]}" "$editor" --help
expect "--help without a display" 0 "" "$status" "$err"
# An answer that cannot be written (a full disk) is no answer given, as the tool has it.
err=$("${bare[@]}" "$editor" --help 2>&1 >/dev/full); status=$?
expect "--help to a full disk" 1 "postvane-config: cannot write to standard output; what was to be printed is incomplete" "$status" "$err"
# A platform named by Qt's option or variable is Qt's to open; one that cannot be started still ends with a
# line of ours and status 1, after what Qt said about it.
run "${bare[@]}" "$editor" -platform no-such-platform
expect "-platform that cannot start" 1 "*no-such-platform*postvane-config: cannot open a display (the Qt platform plug-in could not be started);*" "$status" "$err"
run "${bare[@]}" QT_QPA_PLATFORM=no-such-platform "$editor"
expect "QT_QPA_PLATFORM that cannot start" 1 "*no-such-platform*postvane-config: cannot open a display (the Qt platform plug-in could not be started);*" "$status" "$err"
run "${bare[@]}" DISPLAY=:7391 "$editor"
expect "a DISPLAY that cannot be reached" 1 "*postvane-config: cannot open a display (the Qt platform plug-in could not be started);*" "$status" "$err"

echo "$passed passed, $failed failed"
[[ $failed == 0 ]]
