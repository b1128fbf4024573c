#!/usr/bin/env bash
# Runs a test program and passes only on positive evidence that it did its work: a status of 0
# alone proves nothing (a Windows program that Wine could not really start can print nothing and
# end with 0). Status 77 is passed on (skipped; the program has said why).
# Usage: expect_run.sh KIND COMMAND...
#   scenarios  suitehost's closing line, with at least one scenario passed and none failed; all
#              of them skipped (each with its reason in the report) is a skip
#   gtest      GoogleTest's "[  PASSED  ] N tests" with N at least 1, and no failed test
#   ok         the test script's own closing line "ok: all N checks held" with N at least 1
set -uo pipefail
kind=$1
shift
program=${1:-}
[ "$(basename "$program")" = wine-run.sh ] && program=${2:-$program}
out=$(mktemp)
trap 'rm -f "$out"' EXIT
status=0
"$@" >"$out" 2>&1 || status=$?
cat "$out"
sed -i 's/\r$//' "$out"  # a Windows program ends its lines with CR LF
[ "$status" -eq 77 ] && exit 77
if [ "$status" -ne 0 ]; then
  echo "expect_run: FAIL: the program ended with status $status"
  exit 1
fi
fail() {
  echo "expect_run: FAIL: $(basename "$program") ended with status 0 but $1, so it did not do its work"
  exit 1
}
case $kind in
  scenarios)
    line=$(grep -E '^scenarios: [0-9]+ passed, [0-9]+ failed, [0-9]+ skipped$' "$out" | tail -1)
    [ -n "$line" ] || fail "printed no closing line ('scenarios: N passed, N failed, N skipped')"
    read -r passed failed skipped < <(sed -E 's/^scenarios: ([0-9]+) passed, ([0-9]+) failed, ([0-9]+) skipped$/\1 \2 \3/' <<<"$line")
    [ "$failed" -eq 0 ] || fail "its closing line counts $failed failed"
    if [ "$passed" -eq 0 ]; then
      if [ "$skipped" -gt 0 ]; then
        echo "expect_run: skipped: every scenario was skipped, for the reason in the report above"
        exit 77
      fi
      fail "its closing line counts no scenario"
    fi
    ;;
  gtest)
    grep -qE '^\[  PASSED  \] [1-9][0-9]* tests?\.' "$out" || fail "printed no '[  PASSED  ] N tests' line"
    if grep -qE '^\[  FAILED  \]' "$out"; then fail "it names failed tests"; fi
    ;;
  ok)
    grep -qE '^ok: all [1-9][0-9]* checks held$' "$out" || fail "printed no 'ok: all N checks held' line"
    ;;
  *)
    echo "expect_run: unknown kind '$kind' (scenarios, gtest, ok)" >&2
    exit 2
    ;;
esac
exit 0
