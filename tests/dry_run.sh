#!/usr/bin/env bash
# `suitehost run --dry-run` on the simulated machine says what the scenario's machine holds before
# each step (what it was set up with, then what the actions changed), runs nothing that reports,
# and a file that cannot run is said with status 2 while the others are still shown.
# Usage: dry_run.sh SUITEHOST SOURCE_DIR
set -uo pipefail
suitehost=$1 source=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
. "$source/tests/checks.sh"

status=0
"$suitehost" run --dry-run "$source/examples/typical-road.json" "$source/tests/scenarios/detect-without-rights.json" \
  "$source/tests/scenarios/launch-locked-tool.json" "$source/tests/invalid/malformed-json.json" \
  "$source/examples/server-road.json" >"$work/out.txt" 2>"$work/err.txt" || status=$?
said() {  # text, what
  grep -qF -- "$1" "$work/out.txt"
  check $? "the dry run says $2 ($1)"
}
[ "$status" -eq 2 ] && grep -q 'malformed-json.json' "$work/err.txt"
check $? "a file that cannot run is said and the status is 2 ($status)"
said 'examples/typical-road.json: dry run on the simulated machine' "which file and where"
said 'before step 1 (call initProperties), the machine holds:' "what the machine holds before the first step"
said '[HKLM\SOFTWARE\Pellucor\TAMBER VANTLE Install] "ClientInstalledVersion" = "3.0.0.1"' "a value set up"
said 'before step 3 (call verify), the machine holds what it held before step 1' "that nothing changed since"
# finishAction (step 6) writes the install record: step 7 is shown with it.
sed -n '/^  before step 7 (call allowLaunchToskan)/,/^  before step 8/p' "$work/out.txt" >"$work/step7.txt"
grep -qF '"InstallStatus" = "Corvane was installed successfully."' "$work/step7.txt"
check $? "the machine before step 7 holds what finishAction wrote"
! sed -n '/^  before step 1 /,/^  before step 2 /p' "$work/out.txt" | grep -q InstallStatus
check $? "the machine before step 1 does not hold it yet"
said 'refuses KEY_SET_VALUE | KEY_CREATE_SUB_KEY (0x00000006)' "the rights a key refuses"
said 'toskan.exe" locked' "a locked file"
said 'examples/server-road.json: dry run' "the files after the one that cannot run"
said 'message box answers left: yes' "the answers left for message boxes"
! grep -qE 'expectations|scenarios:' "$work/out.txt"
check $? "no run report is written"

[ "$fail" -eq 0 ] && echo "ok: all $checks checks held"
exit $fail
