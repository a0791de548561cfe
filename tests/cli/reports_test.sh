#!/usr/bin/env bash
# What check and graph print for other programs, read by those programs: the SARIF report of the sample and
# of a broken tree against the SARIF 2.1.0 schema (python3-jsonschema), their JSON reports parsed, and the
# graph of both parsed by Graphviz's dot.
# Usage: reports_test.sh TOOL TEST_DATA EXAMPLES
set -uo pipefail
tool=$1
data=$2
examples=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

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

cp -R "$examples/config" "$work/sample"
cp -R "$data/frmmain/check" "$work/broken"
# A broken tree: mailboxes that fail, files missing, a file that is not well-formed, names with quotes,
# backslashes and a line break, and a file nothing names.
cat > "$work/broken/master.xml" <<'XML'
<ResponseHandler>
 <MonitorConfigFile>+/gone-monitor.xml</MonitorConfigFile>
 <Mailboxes>
  <Mailbox><Name>odd "quoted" \name</Name><Protocol>imap4</Protocol><DispositionFileName>+/bad.disposition.xml</DispositionFileName></Mailbox>
  <Mailbox><Name>two
lines</Name><CategorizationRulesFileName>+/no "such" \rules.xml</CategorizationRulesFileName><DispositionFileName>+/missing.disposition.xml</DispositionFileName></Mailbox>
 </Mailboxes>
</ResponseHandler>
XML
printf '<Dispositions>\n  <Category>\n</Dispositions>\n' > "$work/broken/bad.disposition.xml"
mkdir -p "$work/broken/old" && echo '<Dispositions/>' > "$work/broken/old/unnamed.disposition.xml"

validate_sarif() {
    python3 - "$data/schemas/sarif-schema-2.1.0.json" "$1" <<'PY'
import json, sys
import jsonschema
schema = json.load(open(sys.argv[1]))
report = json.load(open(sys.argv[2]))
validator = jsonschema.validators.validator_for(schema)(schema)
errors = sorted(validator.iter_errors(report), key=lambda e: list(e.path))
for error in errors:
    print("%s: %s" % ("/".join(str(p) for p in error.path), error.message))
results = report["runs"][0]["results"]
if not results and "broken" in sys.argv[2]:
    print("no results for the broken tree")
    sys.exit(1)
sys.exit(1 if errors else 0)
PY
}
parses_as_json() { python3 -c 'import json, sys; json.load(open(sys.argv[1]))' "$1"; }
# dot reads the graph without a complaint, and draws a node per file and mailbox.
dot_reads() { dot -Tcanon "$1" > "$1.canon" 2> "$1.err" && [ ! -s "$1.err" ] || { cat "$1.err"; false; }; }

for tree in sample broken; do
    master=$work/$tree/master.xml
    "$tool" check --orphans --format=sarif "$master" > "$work/$tree.sarif"
    check "$tree: the SARIF report follows the SARIF 2.1.0 schema" validate_sarif "$work/$tree.sarif"
    "$tool" check --orphans --format=json "$master" > "$work/$tree.json"
    check "$tree: the JSON report is JSON" parses_as_json "$work/$tree.json"
    "$tool" graph "$master" > "$work/$tree.dot"
    check "$tree: graph exits 0 when the master was read" [ $? -eq 0 ]
    check "$tree: dot reads the graph" dot_reads "$work/$tree.dot"
done
check "the broken tree's graph marks the missing files" grep -q 'style=dashed, color=red' "$work/broken.dot"
check "the broken tree's graph marks the unreadable file" grep -q 'style=dotted, color=orange' "$work/broken.dot"
"$tool" graph "$work/none.xml" > "$work/none.dot" 2> "$work/none.err"
check "graph of a missing master exits 1" [ $? -eq 1 ]
check "dot reads the graph of a missing master" dot_reads "$work/none.dot"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
