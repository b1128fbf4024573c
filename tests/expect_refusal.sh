#!/usr/bin/env bash
# Runs a scenario file that cannot be run and checks that suitehost refuses it as it must:
# exit status 2, no action called, and a message that names the file and says what is wrong
# as the file's first line "// expect: TEXT" gives it.
# Usage: expect_refusal.sh SUITEHOST FILE
set -uo pipefail
suitehost=$1 file=$2
expected=$(sed -n '1s|^// expect: ||p' "$file")
output=$("$suitehost" run "$file" 2>&1)
status=$?
fail=0
if [ "$status" -ne 2 ]; then echo "FAIL: exit status $status, expected 2"; fail=1; fi
if ! grep -qF -- "$(basename "$file")" <<<"$output"; then echo "FAIL: the message does not name the file"; fail=1; fi
if [ -n "$expected" ] && ! grep -qF -- "$expected" <<<"$output"; then
  echo "FAIL: the message does not say: $expected"; fail=1
fi
if grep -q '^  step ' <<<"$output"; then echo "FAIL: a step ran"; fail=1; fi
echo "$output"
exit $fail
