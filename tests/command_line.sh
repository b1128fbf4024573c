#!/usr/bin/env bash
# suitehost given what it cannot use: each case must end with its status and say why in words, and
# never end by a signal or leave a file it was not asked to write.
# Usage: command_line.sh SUITEHOST SOURCE_DIR
set -uo pipefail
suitehost=$1 source=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
road=$source/examples/typical-road.json
cp "$road" t1.json
cp "$road" t2.json
printf 'not a report of suitehost\n' >notes.xml
printf '<!DOCTYPE html>\n<title>my page</title>\n' >page.html
mkdir folder
mkfifo pipe
truncate -s 300M huge.json
printf '{"library": "ovrel", "steps": []}' >no-step.json

fail=0 checks=0
# Runs a case: status wanted, a word the error output must hold, then the arguments.
expect() {
  local name=$1 status=$2 word=$3
  shift 3
  local said got=0
  said=$(timeout 60 "$suitehost" "$@" 2>&1 >/dev/null) || got=$?
  if [ "$got" -ne "$status" ]; then
    echo "FAIL: $name: status $got, expected $status; it said: $said"
    fail=1
  elif ! grep -qF -- "$word" <<<"$said"; then
    echo "FAIL: $name: status $got, but it does not say '$word': $said"
    fail=1
  else
    checks=$((checks + 1))
  fi
}

# Command lines that cannot run.
expect unknown-command 2 'unknown command "rnu"' rnu t1.json
expect unknown-library 2 'the libraries are ovrel and caddon' list nosuch
expect library-near 2 'did you mean "ovrel"' list ovrl
expect swapped 2 'initProperties is an action of ovrel, not a library: call ovrel initProperties' call initProperties ovrel
expect action-case 2 'did you mean "initProperties"' call ovrel initproperties
expect action-letter 2 'did you mean "verify"' call ovrel verfy
expect dry-run-json 2 '--dry-run and --json do not go together' run --dry-run --json t1.json
expect dry-run-junit 2 '--dry-run and --junit do not go together' run --dry-run --junit dry.xml t1.json
expect dry-run-html 2 '--dry-run and --html do not go together' run --dry-run --html dry.html t1.json
expect summary-json 2 '--summary and --json do not go together' run -s --json t1.json
expect summary-quiet 2 '--summary and -q do not go together' run -s -q t1.json

# Files that are not scenarios: each is its own error with the system's reason; the others run.
expect missing 2 'nothing.json: No such file or directory' run -q nothing.json t1.json
expect folder 2 'folder: Is a directory' run -q folder t1.json
expect pipe 2 'pipe: not a file' run -q pipe
expect device 2 '/dev/zero: not a file' run -q /dev/zero
expect huge 2 'huge.json: larger than 256 MiB' run -q huge.json
expect no-step 2 '/steps: a scenario needs at least one step' run -q no-step.json
expect dry-run-folder 2 'folder: Is a directory' run --dry-run folder
expect reg-folder 2 'directory' call ovrel initProperties --reg folder
# The other files of the run still ran and were reported.
said=$("$suitehost" run -q folder t1.json 2>/dev/null)
if grep -q '^scenarios: 1 passed, 1 failed' <<<"$said"; then checks=$((checks + 1)); else
  echo "FAIL: the valid file beside a folder did not run: $said"; fail=1; fi

# An answer no message box asked for is said.
said=$("$suitehost" call caddon detectORVIX --answer yes 2>&1 >/dev/null)
if grep -q -- '--answer was given 1 time(s), but the action showed no message box' <<<"$said"; then
  checks=$((checks + 1))
else
  echo "FAIL: an unused --answer was not said: $said"; fail=1
fi

# A call saved with a text a scenario file cannot hold (an unpaired surrogate) says so.
said=$("$suitehost" call ovrel initProperties -p "SERVERINSTALLVERSION=3.0$(printf '\355\240\200')" --save odd.json 2>&1 >/dev/null)
if grep -q 'saved as U+FFFD: a replay sees U+FFFD there' <<<"$said" && [ -s odd.json ]; then
  checks=$((checks + 1))
else
  echo "FAIL: a saved call with an unpaired surrogate did not say so: $said"; fail=1
fi

# A line for each file as it ends, the failed ones' report after them; --lib-dir after the command.
said=$("$suitehost" run -s --lib-dir "$(dirname "$suitehost")" t1.json no-step.json folder 2>/dev/null)
if grep -q '^PASS  typical road: .* (t1.json), 40 expectations, ' <<<"$said" &&
   grep -q '^ERROR no-step.json: /steps: ' <<<"$said" && grep -q '^ERROR folder: Is a directory' <<<"$said" &&
   ! grep -q 'host    read' <<<"$said" && grep -q '^scenarios: 1 passed, 2 failed, 0 skipped' <<<"$said"; then
  checks=$((checks + 1))
else
  echo "FAIL: run -s did not print one line for each file and the failed ones after them: $said"; fail=1
fi

# Report files that must be refused, and are left as they were.
before=$(sha256sum t1.json t2.json notes.xml page.html)
expect junit-over-input 2 'one of the files the command reads' run -q --junit t1.json t1.json
expect junit-over-other 2 'not a JUnit report written by suitehost' run -q --junit notes.xml t1.json
expect html-over-page 2 'not a HTML report written by suitehost' run -q --html page.html t1.json
expect junit-forgotten 2 'not a JUnit report written by suitehost' run -q --junit t2.json t1.json
expect junit-no-folder 2 'No such file or directory' run -q --junit nowhere/r.xml t1.json
expect html-folder 2 'Is a directory' run -q --html folder t1.json
expect same-report 2 'name the same file' run -q --junit r.xml --html r.xml t1.json
if [ "$(sha256sum t1.json t2.json notes.xml page.html)" = "$before" ] && [ ! -e r.xml ] && [ ! -e nowhere ]; then
  checks=$((checks + 1))
else
  echo "FAIL: a refused report changed or left a file"; fail=1
fi
# Its own earlier report is replaced whole, and nothing is left beside it.
"$suitehost" run -q --junit r.xml t1.json >/dev/null 2>&1
status=0
"$suitehost" run -q --junit r.xml t1.json >/dev/null 2>&1 || status=$?
if [ "$status" -eq 0 ] && grep -q '<testsuite name="suitehost ' r.xml && [ "$(ls | grep -c tmp)" -eq 0 ]; then
  checks=$((checks + 1))
else
  echo "FAIL: suitehost did not replace its own report whole (status $status): $(ls)"; fail=1
fi

# A scenario's machine as a .reg file: never over a file that is there, never from a file that is
# not a scenario; a written one is regedit's UTF-16 with its mark.
expect export-over-file 2 'the file exists' export t1.json --out notes.xml
expect export-not-scenario 2 'notes.xml' export notes.xml --out new.reg
expect export-without-out 2 '--out is required' export t1.json
[ ! -e new.reg ] || { echo "FAIL: a refused export left new.reg"; fail=1; }
said=$("$suitehost" export "$source/examples/server-road.json" --out server.reg 2>&1 >/dev/null)
if [ "$(head -c 2 server.reg | od -An -tx1 | tr -d ' ')" = fffe ] &&
   iconv -f UTF-16LE -t UTF-8 server.reg | grep -q '^\[HKEY_LOCAL_MACHINE\\SOFTWARE\\Brisolt\\Corvane ORVIX\]' &&
   grep -q 'exported 2 key(s) with 3 value(s)' <<<"$said" && grep -q 'message box answer' <<<"$said"; then
  checks=$((checks + 1))
else
  echo "FAIL: export wrote or said otherwise: $said"; fail=1
fi

# Two scenarios compared: 0 when the same, 1 when they differ (the machine's value, then what the
# actions did with it), 2 when one cannot be read; a page only where asked, never over an input.
sed 's/"ClientInstalledVersion": "3.0.0.1"/"ClientInstalledVersion": "2.0"/' "$road" >older.json
outcome() {  # name, status wanted, a line the output must hold, the arguments
  local name=$1 status=$2 line=$3 got=0
  shift 3
  "$suitehost" "$@" >"$name.out" 2>&1 || got=$?
  if [ "$got" -eq "$status" ] && grep -qF -- "$line" "$name.out"; then
    checks=$((checks + 1))
  else
    echo "FAIL: $name: status $got (expected $status), or no line '$line' in:"; cat "$name.out"; fail=1
  fi
}
outcome diff-same 0 'the same' diff t1.json t2.json
outcome diff-machine 1 '-[HKLM\SOFTWARE\Pellucor\TAMBER VANTLE Install] "ClientInstalledVersion" = "3.0.0.1"' \
  diff t1.json older.json --html diff.html
grep -qF '+[HKLM\SOFTWARE\Pellucor\TAMBER VANTLE Install] "ClientInstalledVersion" = "2.0"' diff-machine.out &&
  grep -q '^  step 1: call initProperties:$' diff-machine.out && grep -q '^they differ in ' diff-machine.out
check_said=$?
[ "$check_said" -eq 0 ] && checks=$((checks + 1)) || { echo "FAIL: diff does not show the step it changed:"; cat diff-machine.out; fail=1; }
if grep -q '<title>suitehost: diff ' diff.html && grep -q 'class="second">+\[HKLM' diff.html && ! grep -qi '<script' diff.html; then
  checks=$((checks + 1))
else
  echo "FAIL: diff --html wrote no page of the comparison"; fail=1
fi
expect diff-unreadable 2 'nothing.json' diff t1.json nothing.json
expect diff-html-over-input 2 'one of the files the command reads' diff t1.json older.json --html t1.json
expect diff-one-file 2 'second is required' diff t1.json

[ "$fail" -eq 0 ] || exit 1
echo "ok: all $checks checks held"
