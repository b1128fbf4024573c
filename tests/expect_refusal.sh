#!/usr/bin/env bash
# Runs a scenario file that cannot be run and checks that suitehost refuses it as it must:
# exit status 2, no action called, and a message that names the file and says what is wrong
# as the file's first line "// expect: TEXT" gives it. Status 77 (Wine cannot run here, said by
# its wrapper) is passed on as a skip.
# Usage: expect_refusal.sh FILE SUITEHOST...   (SUITEHOST: the program, or Wine's wrapper and it)
set -uo pipefail
file=$1
shift
expected=$(sed -n '1s|^// expect: ||p' "$file")
output=$("$@" run "$file" 2>&1 | tr -d '\r')
status=${PIPESTATUS[0]}
[ "$status" -eq 77 ] && { echo "$output"; exit 77; }
fail=0
if [ "$status" -ne 2 ]; then echo "FAIL: exit status $status, expected 2"; fail=1; fi
if ! grep -qF -- "$(basename "$file")" <<<"$output"; then echo "FAIL: the message does not name the file"; fail=1; fi
if [ -n "$expected" ] && ! grep -qF -- "$expected" <<<"$output"; then
  echo "FAIL: the message does not say: $expected"; fail=1
fi
if grep -q '^  step ' <<<"$output"; then echo "FAIL: a step ran"; fail=1; fi
echo "$output"
exit $fail
