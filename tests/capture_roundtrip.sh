#!/usr/bin/env bash
# `suitehost capture` reproduces the machine it reads. With every example and test scenario's
# machine standing for a real one (--machine), the capture traces what the scenario's own run
# traces, the captured file holds what the actions read and nothing else, and replayed it passes
# and traces what the capture traced. Refusals name what and why, end with status 2 and write
# nothing.
# Usage: capture_roundtrip.sh SUITEHOST SOURCE_DIR
set -uo pipefail
suitehost=$1 source=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
. "$source/tests/checks.sh"

# The lines of the steps and their calls; a date the actions wrote from the clock is left out, as
# a scenario without a clock runs at the time it runs.
trace() { grep -E '^  step |^      (host|machine) ' "$1" | sed -E 's/[0-9]{4}-[0-9]{2}-[0-9]{2}\.[0-9:]{8}/DATE/'; }

for file in "$source"/examples/*.json "$source"/tests/scenarios/*.json; do
  name=$(basename "$file" .json)
  "$suitehost" run "$file" >"$work/$name.own" 2>&1
  status=0
  "$suitehost" capture --from "$file" --machine "$file" --out "$work/$name.json" >"$work/$name.out" 2>"$work/$name.err" ||
    status=$?
  check "$status" "capture of $name ended with status $status: $(cat "$work/$name.err")"
  if [ -z "$(trace "$work/$name.out")" ] || ! diff <(trace "$work/$name.own") <(trace "$work/$name.out") >/dev/null; then
    check 1 "the capture of $name traces otherwise than the scenario's own run:"
    diff <(trace "$work/$name.own") <(trace "$work/$name.out") | head -6
  fi
  status=0
  "$suitehost" run "$work/$name.json" >"$work/$name.replay" 2>&1 || status=$?
  check "$status" "the replay of $name's capture ended with status $status"
  diff <(trace "$work/$name.out") <(trace "$work/$name.replay") >/dev/null
  check $? "the replay of $name's capture traces otherwise than the capture"
done

# The machine's refusals, locked files, unterminated strings and withheld privilege are captured.
has() {  # file, text, what
  grep -qF -- "$2" "$work/$1.json"
  check $? "the capture of $1 holds $3 ($2)"
}
has detect-without-rights '"deny": {' "the rights the server key refuses"
has registry-value-forms '"terminated": false' "an unterminated string"
has launch-locked-tool '": "locked"' "a locked file"
has reboot-privilege-refused '"shutdownPrivilege": "not-granted"' "the withheld shutdown privilege"
has x64-typical-road '"windows": "x64"' "64-bit Windows"
has x64-typical-road 'WOW6432Node' "the machine's own key paths"

# What the actions never read is left out: other values of a key they read, other keys, variables
# and files.
cat >"$work/machine.json" <<'JSON'
{"library": "ovrel",
 "registry": {"HKLM\\SOFTWARE\\Pellucor\\TAMBER VANTLE Install": {"ClientInstalledVersion": "2.0", "NeverRead": "x"},
              "HKLM\\SOFTWARE\\Unrelated": {"Secret": "y"}},
 "environment": {"USERNAME": "someone", "SystemRoot": "C:\\Windows"},
 "files": {"C:\\Users\\someone\\notes.txt": "readable"},
 "steps": []}
JSON
"$suitehost" capture ovrel initProperties --machine "$work/machine.json" -p SERVERINSTALLVERSION=3.0 \
  --out "$work/only.json" >/dev/null 2>&1
check $? "the capture of initProperties on a machine with more than it reads"
grep -q '"ClientInstalledVersion": "2.0"' "$work/only.json"
check $? "the capture holds the value initProperties read"
for unread in NeverRead Unrelated USERNAME someone notes.txt; do
  ! grep -q "$unread" "$work/only.json"
  check $? "the capture leaves out $unread, which the actions never read"
done

# The description names files without their folders, which can name a user.
grep -qF 'Captured by `suitehost capture --machine machine.json ovrel initProperties -p SERVERINSTALLVERSION=3.0 --out only.json`' \
  "$work/only.json"
check $? "the capture says its command with the files' names alone: $(grep -o '"description": "[^`]*`[^`]*`' "$work/only.json")"

# Refusals: what and why, status 2, nothing written.
refused() {  # what is said, then the capture's words
  local said=$1
  shift
  local status=0
  rm -f "$work/refused.json"
  "$suitehost" capture "$@" --out "$work/refused.json" >"$work/refused.out" 2>&1 || status=$?
  [ "$status" -eq 2 ] && grep -qF -- "$said" "$work/refused.out" && [ ! -e "$work/refused.json" ]
  check $? "capture $* is refused with status 2 ($status), says \"$said\" and writes nothing: $(cat "$work/refused.out")"
}
typical="$source/examples/typical-road.json"
refused "has no real one to read" --from "$typical"
refused "--from: $source/tests/invalid/malformed-json.json" --from "$source/tests/invalid/malformed-json.json" --machine "$typical"
refused 'exports no action "verifyAll"' ovrel initProperties verifyAll --machine "$typical"
refused "nosuchlib" nosuchlib initProperties --machine "$typical"
refused "give a template (--from FILE) or a library and the actions" ovrel --machine "$typical"
refused "not both" ovrel verify --from "$typical" --machine "$typical"
refused "--machine: $source/tests/invalid/unknown-key.json" ovrel verify --machine "$source/tests/invalid/unknown-key.json"
printf 'mine' >"$work/kept.json"
status=0
"$suitehost" capture --from "$typical" --machine "$typical" --out "$work/kept.json" >/dev/null 2>&1 || status=$?
[ "$status" -eq 2 ] && [ "$(cat "$work/kept.json")" = mine ]
check $? "a file that is there is never overwritten (status $status)"

[ "$fail" -eq 0 ] && echo "ok: all $checks checks held"
exit $fail
