#!/usr/bin/env bash
# suitehost.exe leaves a machine as it found it. Fills the Wine prefix with keys and a file of its
# own (a product registration with a subkey, values of every type in the server key and the
# install record, a key that a scenario only expects), runs scenarios that set up, refuse rights
# on, change and only look at them, and compares registry exports and the file before and after,
# byte for byte; then the same with a run that dies right after its set-up, undone by the next
# start of suitehost.exe.
# Usage: wine_restore.sh WINE_RUN SUITEHOST_EXE PREFIX SOURCE_DIR
set -uo pipefail
run=$1 suitehost=$2 prefix=$3 source=$4
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Exits 77 (skipped, with its reason) where Wine cannot run at all.
"$run" cmd.exe /c exit >/dev/null || exit $?

keys=(
  'HKEY_LOCAL_MACHINE\Software\Classes\Installer\Products\E1A7AD6A725DC214DA711D928B3F3E99'
  'HKEY_LOCAL_MACHINE\SOFTWARE\Brisolt'
  'HKEY_LOCAL_MACHINE\SOFTWARE\Pellucor'
  'HKEY_LOCAL_MACHINE\SOFTWARE\SuitehostTest'
  'HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\Session Manager'
)
tool="$prefix/drive_c/Program Files/Corvane/VendorTools/Toskan/toskan.exe"

. "$source/tests/wine_prefix.sh"
export_all() { export_keys "$1"; }

same() {  # $1 $2: export folders; $3: what ran
  if ! diff -r "$1" "$2" >/dev/null; then
    echo "FAIL: the machine is not as it was after $3:"
    diff -r "$1" "$2" | head -20
    return 1
  fi
  echo "ok: the machine is as it was after $3"
  checks=$((checks + 1))
}

cat >"$work/fill.reg" <<'REG'
REGEDIT4

[HKEY_LOCAL_MACHINE\Software\Classes\Installer\Products\E1A7AD6A725DC214DA711D928B3F3E99]
"ProductName"="Corvane ORVIX"
"Version"=dword:02000000

[HKEY_LOCAL_MACHINE\Software\Classes\Installer\Products\E1A7AD6A725DC214DA711D928B3F3E99\SourceList]
"PackageName"="orvix.msi"

[HKEY_LOCAL_MACHINE\SOFTWARE\Brisolt\Corvane ORVIX]
"Version"="2.7"
"Own"=hex:00,01,fe,ff
"Count"=hex(b):01,02,03,04,05,06,07,08
"List"=hex(7):61,00,00,00,00,00

[HKEY_LOCAL_MACHINE\SOFTWARE\Brisolt\Corvane ORVIX\Portal]
@="mine"

[HKEY_LOCAL_MACHINE\SOFTWARE\Pellucor\TAMBER VANTLE Install]
"InstallDir"="D:\\Mine"
"Keep"=dword:0000002a

[HKEY_LOCAL_MACHINE\SOFTWARE\SuitehostTest\OnlyExpected]
"V"="1"
REG
# What the prefix held before this test: what the test fills in goes again at its end.
export_all "$work/pristine"
put_back_on_exit "$work/pristine"
"$run" regedit.exe /s "$(win "$work/fill.reg")" >/dev/null 2>&1
mkdir -p "$(dirname "$tool")" && printf 'MZ mine' >"$tool"

cat >"$work/looks.json" <<'JSON'
{"library": "ovrel", "steps": [{"expect": {"registry": {"HKLM\\SOFTWARE\\SuitehostTest\\OnlyExpected": {"V": "1"}}}}]}
JSON

fail=0 checks=0
export_all "$work/before"
if ! cat "$work/before"/*.reg | tr -d '\0' | grep -q 'SourceList' || ! grep -q 'MZ mine' "$work/before/toskan.exe"; then
  echo "FAIL: the prefix could not be filled or read back, so nothing would be proved"
  exit 1
fi
"$run" "$suitehost" run -q "$source/examples/typical-road.json" "$source/tests/scenarios/detect-without-rights.json" \
  "$source/tests/scenarios/reboot-without-rights.json" "$work/looks.json" >"$work/run.txt" 2>&1 ||
  { echo "FAIL: the scenarios did not hold"; cat "$work/run.txt"; fail=1; }
# Its status alone proves nothing: the closing line says that all four ran.
if tr -d '\r' <"$work/run.txt" | grep -qx 'scenarios: 4 passed, 0 failed, 0 skipped'; then
  checks=$((checks + 1))
else
  echo "FAIL: suitehost did not say that the four scenarios ran and held:"; cat "$work/run.txt"; fail=1
fi
export_all "$work/after"
same "$work/before" "$work/after" "a run of scenarios that set up, refuse, change and look" || fail=1

# A run that dies after its set-up: the next start puts the machine back from the journal.
SUITEHOST_DIE_AFTER_SETUP=1 "$run" "$suitehost" run -q "$source/examples/typical-road.json" >/dev/null 2>&1
export_all "$work/killed"
if diff -r "$work/before" "$work/killed" >/dev/null; then
  echo "FAIL: the killed run changed nothing, so it proves nothing"
  fail=1
else
  checks=$((checks + 1))
fi
# A dry run of restore says what it would put back, by name, and puts back nothing.
"$run" "$suitehost" restore --dry-run >"$work/restore-dry.txt" 2>&1 || { cat "$work/restore-dry.txt"; fail=1; }
export_all "$work/after-dry"
if grep -q 'restore would put back:' "$work/restore-dry.txt" &&
   grep -q '^  key \[HKEY_LOCAL_MACHINE\\SOFTWARE\\.*\]: ' "$work/restore-dry.txt" &&
   diff -r "$work/killed" "$work/after-dry" >/dev/null; then
  checks=$((checks + 1))
else
  echo "FAIL: 'suitehost restore --dry-run' did not list what it would put back, or changed something:"
  cat "$work/restore-dry.txt"
  fail=1
fi
"$run" "$suitehost" restore >"$work/restore.txt" 2>&1 || { cat "$work/restore.txt"; fail=1; }
if grep -q 'put back what an interrupted run had changed:' "$work/restore.txt" &&
   grep -q '^  key \[HKEY_LOCAL_MACHINE\\SOFTWARE\\.*\]: ' "$work/restore.txt"; then
  checks=$((checks + 1))
else
  echo "FAIL: 'suitehost restore' did not say what it put back of the killed run's changes:"; cat "$work/restore.txt"
  fail=1
fi
export_all "$work/restored"
same "$work/before" "$work/restored" "a killed run and 'suitehost restore'" || fail=1

# The prefix as this test found it: the keys and the tool it filled in and that were not there.
put_back "$work/pristine"
export_all "$work/end"
same "$work/pristine" "$work/end" "this test" || fail=1
[ "$fail" -eq 0 ] && echo "ok: all $checks checks held"
exit $fail
