#!/usr/bin/env bash
# suitehost's JUnit report is JUnit as CI servers read it: a run of passing, failing, skipped and
# unrunnable scenario files, with two files of one name in different folders, passes the schema
# in tests/junit.xsd; its class and test names are unique; and a report broken on purpose does
# not pass (so that the check itself is seen to work).
# Usage: junit_schema.sh SOURCE_DIR SUITEHOST [RUNNER...]
# Exit status: 0 all held; 1 a check failed; 77 xmllint is not installed (reason printed).
set -uo pipefail
source=$1
shift
command -v xmllint >/dev/null ||
  { echo "SKIPPED: xmllint is not installed (Debian's libxml2-utils; scripts/setup installs it)"; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
source "$(dirname "$0")/checks.sh"

mkdir -p "$work/a" "$work/b"
cp "$source/examples/typical-road.json" "$work/a/road.json"
cp "$source/examples/typical-road.json" "$work/b/road.json"
# One that fails two expectations in two steps, one that cannot run, one missing.
cat >"$work/a/fails.json" <<'JSON'
{"name": "fails on purpose", "library": "ovrel",
 "properties": {"ORVIX": "", "TOSKAN": ""},
 "steps": [{"call": "verify", "expect": {"result": "E_FAIL"}},
           {"call": "verify", "expect": {"properties": {"ORVIX": "not this"}}}]}
JSON
echo '{"library": "ovrel", "steps": [], "unknown": 1}' >"$work/a/broken.json"
"$@" run -q --junit "$work/report.xml" "$work/a/road.json" "$work/b/road.json" "$work/a/fails.json" \
  "$work/a/broken.json" "$work/a/missing.json" >"$work/out.txt" 2>&1
status=$?
check "$([ $status = 2 ] && echo 0 || echo 1)" "suitehost's status was $status, not 2: $(cat "$work/out.txt")"
[ -s "$work/report.xml" ] || { echo "FAIL: no report written: $(cat "$work/out.txt")"; exit 1; }
report=$work/report.xml
# The report under Wine names its folders as Windows does; the checks below read names only.
xmllint --noout --schema "$source/tests/junit.xsd" "$report" 2>"$work/lint.txt"
check $? "the report does not pass the schema: $(cat "$work/lint.txt")"
cases=$(grep -c '<testcase ' "$report")
check "$([ "$cases" = 5 ] && echo 0 || echo 1)" "$cases test cases, not 5"
names=$(grep -o '<testcase classname="[^"]*" name="[^"]*"' "$report" | sort | uniq -d)
check "$([ -z "$names" ] && echo 0 || echo 1)" "class and test names repeat: $names"
classes=$(grep -o 'classname="[^"]*"' "$report" | sort | uniq -d)
check "$([ -z "$classes" ] && echo 0 || echo 1)" "class names repeat: $classes"
failures=$(grep -c '<failure ' "$report")
check "$([ "$failures" = 1 ] && echo 0 || echo 1)" "$failures failure elements, not one for the failed scenario"
grep -q '<failure message="2 of [0-9]* expectations failed">step 1 (/steps/0): result: expected' "$report"
check $? "the failure does not count its expectations and start with step 1 (/steps/0)"
grep -q 'step 2 (/steps/1): property ORVIX' "$report"
check $? "the failure's body does not list the second step's failure"
check "$(grep -c '<error message=' "$report" | grep -qx 2 && echo 0 || echo 1)" "not two errored cases (broken, missing)"

# The schema refuses what CI servers refuse: a time with an exponent, a case without a name.
sed 's/ time="[0-9.]*"/ time="1e-05"/' "$report" >"$work/exponent.xml"
xmllint --noout --schema "$source/tests/junit.xsd" "$work/exponent.xml" 2>/dev/null
check "$([ $? != 0 ] && echo 0 || echo 1)" "the schema took a time with an exponent"
sed '0,/<testcase classname="\([^"]*\)" name="[^"]*"/s//<testcase classname="\1"/' "$report" >"$work/unnamed.xml"
xmllint --noout --schema "$source/tests/junit.xsd" "$work/unnamed.xml" 2>/dev/null
check "$([ $? != 0 ] && echo 0 || echo 1)" "the schema took a test case without a name"

# What XML cannot hold, from the files a run reads: a name with U+FFFE, a property with a control
# character, a refusal that quotes bytes that are not UTF-8. The report stays well-formed.
cat >"$work/a/odd-name.json" <<'JSON'
{"name": "odd \ufffe name \u0001", "library": "ovrel", "properties": {"TOSKAN": "a\u0002b"},
 "steps": [{"call": "verify", "expect": {"result": "E_FAIL"}}]}
JSON
printf '{"name": "\377\376 not UTF-8", \377}' >"$work/a/bytes.json"
"$@" run -q --junit "$work/odd.xml" "$work/a/odd-name.json" "$work/a/bytes.json" >"$work/odd.txt" 2>&1
xmllint --noout --schema "$source/tests/junit.xsd" "$work/odd.xml" 2>"$work/odd-lint.txt"
check $? "a report of a name with U+FFFE and bytes that are not UTF-8 is not well-formed: $(cat "$work/odd-lint.txt")"
grep -q "odd $(printf '\357\277\275') name" "$work/odd.xml"
check $? "U+FFFE in the name is not written as U+FFFD"

[ $fail = 0 ] && echo "ok: all $checks checks held"
exit $fail
