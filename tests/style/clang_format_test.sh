#!/usr/bin/env bash
# Every C++ source of the project is formatted as the checked-in .clang-format says; prints the
# differences (as clang-format's warnings) and fails on any.
set -euo pipefail
root="$1"
cd "$root"
mapfile -t files < <(find src tests fuzz bench -name '*.cpp' -o -name '*.h' | sort)
clang-format --dry-run --Werror "${files[@]}"
