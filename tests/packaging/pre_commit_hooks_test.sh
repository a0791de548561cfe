#!/usr/bin/env bash
# The pre-commit hook file parses as YAML, each hook has what pre-commit requires, and its entry is this
# project's tool with a command the tool knows.
# Usage: pre_commit_hooks_test.sh HOOKS_FILE TOOL
set -euo pipefail
python3 - "$1" "$2" <<'PY'
import os, subprocess, sys
import yaml
hooks = yaml.safe_load(open(sys.argv[1]))
tool = sys.argv[2]
assert isinstance(hooks, list) and hooks, "the file holds no list of hooks"
for hook in hooks:
    for key in ("id", "name", "entry", "language"):
        assert key in hook, "hook %r lacks %s" % (hook.get("id"), key)
    words = hook["entry"].split()
    assert words[0] == os.path.basename(tool), "the entry starts %r, not the tool" % words[0]
    status = subprocess.run([tool] + words[1:] + ["--help"], stdout=subprocess.DEVNULL).returncode
    assert status == 0, "the tool does not know %r" % " ".join(words[1:])
print("%d hook(s) fine" % len(hooks))
PY
