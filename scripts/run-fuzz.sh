#!/usr/bin/env bash
# Runs every fuzzer built in BUILD/fuzz for SECONDS each, seeded from the sample configuration, the test data
# and the inputs kept in tests/data/fuzz, with the dictionary of element names. The corpus each fuzzer grows
# stays in BUILD/fuzz-corpus for the next run. A crash, a broken rule, a timeout (10 s for one input) or more
# than 2 GiB of memory fails the run; its input is left in BUILD/fuzz-crashes/<fuzzer>/, to be kept as a
# regression input in tests/data/fuzz/<fuzzer>/ once mended.
# Usage: run-fuzz.sh BUILD SECONDS [FUZZER...]
set -euo pipefail
build=$(cd "$1" && pwd)
seconds=$2
shift 2
root=$(cd "$(dirname "$0")/.." && pwd)

# A folder of this run's own, so that two runs side by side do not share it.
seeds=$(mktemp -d "$build/fuzz-seeds.XXXXXX")
trap 'rm -rf "$seeds"' EXIT
while IFS= read -r -d '' file; do
  cp "$file" "$seeds/$(printf '%s' "$file" | md5sum | cut -c1-16).xml"
done < <(find "$root/examples" "$root/tests/data" -name '*.xml' -size -256k -print0)

if [ $# -gt 0 ]; then
  fuzzers=()
  for name in "$@"; do fuzzers+=("$build/fuzz/fuzz-$name"); done
else
  fuzzers=("$build"/fuzz/fuzz-*)
fi

status=0
for fuzzer in "${fuzzers[@]}"; do
  name=${fuzzer##*/fuzz-}
  corpus="$build/fuzz-corpus/$name"
  crashes="$build/fuzz-crashes/$name"
  log="$build/fuzz-$name.log"
  mkdir -p "$corpus" "$crashes"
  kept=()
  if [ -d "$root/tests/data/fuzz/$name" ]; then kept=("$root/tests/data/fuzz/$name"); fi
  echo "fuzz-$name: $seconds s"
  if "$fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -dict="$root/fuzz/xml.dict" \
      -artifact_prefix="$crashes/" -print_final_stats=1 "$corpus" "$seeds" "${kept[@]}" >"$log" 2>&1; then
    executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    echo "  clean: $executions executions"
  else
    echo "  FAILED: see $log; the input is in $crashes"
    tail -n 30 "$log"
    status=1
  fi
done
exit $status
