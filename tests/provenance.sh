#!/usr/bin/env bash
# Every report of a run says what was tested: the date, suitehost's version, the command line, the
# platform, and each library that ran with the SHA-256 of its file.
# Usage: provenance.sh SUITEHOST SOURCE_DIR LIBRARY_FILE
set -uo pipefail
suitehost=$1 source=$2 library=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
hash=$(sha256sum "$library" | cut -d' ' -f1)
version=$("$suitehost" --version | cut -d' ' -f2)
fail=0 checks=0
check() {  # status, what held
  if [ "$1" -eq 0 ]; then checks=$((checks + 1)); else echo "FAIL: $2"; fail=1; fi
}
road=$source/examples/server-road.json
"$suitehost" run --junit "$work/r.xml" --html "$work/r.html" "$road" >"$work/r.txt" 2>&1
"$suitehost" run --json "$road" >"$work/r.json" 2>&1
head -1 "$work/r.txt" | grep -qE "^suitehost $version on [a-z]+ x86, [0-9]{4}-[0-9]{2}-[0-9]{2} [0-9:]{8}: suitehost run --junit"
check $? "the text report's first line: $(head -1 "$work/r.txt")"
sed -n 2p "$work/r.txt" | grep -qF "SHA-256 $hash"
check $? "the text report's library line: $(sed -n 2p "$work/r.txt")"
python3 - "$work/r.json" "$hash" "$version" <<'PY'
import json, sys
run = json.load(open(sys.argv[1]))["run"]
assert run["suitehost"] == sys.argv[3] and run["commandLine"].startswith("suitehost run --json"), run
assert run["platform"] and len(run["date"]) == 19, run
assert [l["sha256"] for l in run["libraries"]] == [sys.argv[2]], run["libraries"]
PY
check $? "the JSON report's run"
for property in date suitehost commandLine platform library.1.path library.1.version; do
  grep -q "<property name=\"$property\" value=" "$work/r.xml"
  check $? "the JUnit report's property $property"
done
grep -q "<property name=\"library.1.sha256\" value=\"$hash\"/>" "$work/r.xml"
check $? "the JUnit report's library hash"
grep -q "suitehost $version &middot; " "$work/r.html" && grep -q "SHA-256 <code>$hash</code>" "$work/r.html"
check $? "the page's header"
[ "$fail" -eq 0 ] || exit 1
echo "ok: all $checks checks held"
