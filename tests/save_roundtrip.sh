#!/usr/bin/env bash
# `suitehost call --save` writes a scenario that replays the call: for every action, a call that
# makes it do something (write properties, change the registry, start a program, show a message
# box, restart) is saved, the saved file runs and passes with expectations of what the call did,
# and the same file with the machine and properties taken away fails. A file that is there is
# never overwritten.
# Usage: save_roundtrip.sh SUITEHOST [RUNNER...]
set -uo pipefail
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
source "$(dirname "$0")/checks.sh"
reg() {  # file, then lines of a registry export
  local file=$1
  shift
  { printf 'Windows Registry Editor Version 5.00\r\n\r\n'; printf '%s\r\n' "$@"; } >"$work/$file"
}
reg record.reg '[HKEY_LOCAL_MACHINE\SOFTWARE\Pellucor\TAMBER VANTLE Install]' \
  '"ClientInstalledVersion"="2.0"' '"ClientInstallDir"="C:\\Tools"' '"orvix_version"="2.6"' '"Flags"=hex:01,02,03'
reg server.reg '[HKEY_LOCAL_MACHINE\SOFTWARE\Brisolt\Corvane ORVIX]' '"Version"="2.6"' '"ORVIXTYPE"="new"' \
  '[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\Session Manager]' \
  '"PendingFileRenameOperations"=hex(7):41,00,00,00,00,00'
ok=S_OK
calls=(
  "ovrel initProperties -p SERVERINSTALLVERSION=3.0 -p CLIENTINSTALLVERSION=3.0 --reg record.reg"
  "ovrel verify -p ORVIX=1"
  "ovrel calculateRequiredSpace -p INSTALLDIR=C:\\Corvane -p ORVIX=1 -p REQUIRED_SPACE_ORVIX=1.5 --volume C:\\=40GB --env SystemRoot=C:\\Windows"
  "ovrel finishAction -p INSTALLDIR=C:\\Corvane -p ISInstallStatus=IDS_INSTALL_SUCCESS -p CommonAppDataFolder=C:\\ProgramData\\ -p QUOR_VERSION=3.0 --reg record.reg"
  "ovrel allowLaunchToskan -p INSTALLDIR=C:\\Corvane -p LAUNCH_TOSKAN=1 --file C:\\Corvane\\VendorTools\\Toskan\\toskan.exe"
  "ovrel launchToskan -p LAUNCH_TOSKAN=1 -p ISInstallStatus=IDS_INSTALL_SUCCESS --reg record.reg"
  "ovrel test"
  "caddon detectORVIX --reg server.reg"
  "caddon SetPortalTypeRegistry -p ORVIXPortalTypeProp=Integrated"
  "caddon RebootMachine --reg server.reg --answer yes"
)
# What each saved file must expect, as a word of it: a write, a registry change, a start, a
# restart, a result (allowLaunchToskan finds the tool; test's message goes through the engine,
# which a scenario's expectations do not hold apart from its host calls).
wants=('"TOSKAN_TEXT"' '"ValidSelection"' '"REQ_SPACE"' '"InstallVersion"' '"result": "S_OK"' 'toskan.exe'
       '"result": "S_OK"' '"ISORVIXEXIST"' '"IsIntegratedPortal"' '"restart": true')
for i in "${!calls[@]}"; do
  read -r -a words <<<"${calls[$i]}"
  saved=$work/saved-$i.json
  (cd "$work" && "$@" call "${words[@]}" --save "$saved") >"$work/call.txt" 2>&1
  check $? "${words[1]}: the call failed: $(tail -3 "$work/call.txt")"
  [ -s "$saved" ] || { check 1 "${words[1]}: nothing saved"; continue; }
  grep -qF "${wants[$i]}" "$saved"
  check $? "${words[1]}: the saved file does not expect ${wants[$i]}"
  "$@" run "$saved" >"$work/run.txt" 2>&1
  check $? "${words[1]}: the saved file does not pass: $(grep -E 'FAILED|ERROR' "$work/run.txt" | head -3)"
  # The same call on a machine without what it was given must not pass.
  python3 - "$saved" "$work/bare.json" <<'PY'
import json, sys
scenario = json.load(open(sys.argv[1]))
for key in ("properties", "registry", "messageAnswers", "volumes", "environment", "files"):
    scenario.pop(key, None)
json.dump(scenario, open(sys.argv[2], "w"), indent=1)
PY
  if [ "${words[1]}" != test ]; then
    "$@" run "$work/bare.json" >/dev/null 2>&1
    status=$?
    check "$([ $status = 1 ] && echo 0 || echo 1)" "${words[1]}: on a bare machine the saved file gave status $status, not 1"
  fi
done
# A file that is there stays as it was.
echo keep >"$work/there.json"
"$@" call ovrel verify --save "$work/there.json" >/dev/null 2>"$work/err.txt"
status=$?
check "$([ $status = 2 ] && [ "$(cat "$work/there.json")" = keep ] && echo 0 || echo 1)" \
  "saving over a file that is there: status $status, the file now: $(head -c 60 "$work/there.json")"
grep -q "the file exists" "$work/err.txt"
check $? "saving over a file does not say why it is refused"
[ $fail = 0 ] && echo "ok: all $checks checks held"
exit $fail
