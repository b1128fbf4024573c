#!/usr/bin/env bash
# suitehost capture reads a real machine and changes nothing. Fills the Wine prefix with keys of its
# own (values of every type, a string without its terminator, a key that refuses rights, a product
# registration, values the actions never read) and a file; captures the typical road, the server road and
# a call from the command line, and asks for a dry run of the typical road; checks that registry exports and the prefix's files are as they
# were, byte for byte; replays each captured file with the native suitehost and compares its trace
# with the capture's, line for line; then (in the 32-bit prefix) changes one value, captures again,
# and checks that the first capture's expectations fail on the changed machine.
# Usage: wine_capture.sh WINE_RUN SUITEHOST_EXE PREFIX SOURCE_DIR NATIVE_SUITEHOST REGISTRY_TOOL_EXE
set -uo pipefail
run=$1 suitehost=$2 prefix=$3 source=$4 native=$5 registry=$6
work=$(mktemp -d)
trap '[ -n "${KEEP:-}" ] || rm -rf "$work"' EXIT
. "$source/tests/checks.sh"

# Exits 77 (skipped, with its reason) where Wine cannot run at all.
status=0
said=$("$run" cmd.exe /c exit 2>&1 >/dev/null) || status=$?
[ "$status" -eq 0 ] || { echo "$said"; exit "$status"; }
# File times as Windows holds them, in 100-ns units. In the emulated VM a time set through the
# guest's 9p keeps whole seconds (the guest kernel's 9p has a one-second time granularity), which
# Windows would not lose: there times are compared to the second, and said.
places=7
if grep -q "in the emulated VM" <<<"$said"; then
  places=0
  echo "note: in the emulated VM file times are compared to the second: the guest's 9p sets them so"
fi
if [ ! -x "$native" ]; then
  echo "skipped: the native suitehost ($native) is not built, and the captured files are replayed with it:" \
       "build the native preset first" >&2
  exit 77
fi

# The libraries are 32-bit: in a 64-bit prefix they read the 32-bit view, WOW6432Node, and
# suitehost names its keys by the machine's own paths there (as registry_tool takes them); the x64
# check build's libraries are sent to that view too. The registry editor and reg.exe that fill and
# export the prefix are of the build's bitness: a 64-bit one names the 32-bit view by its path; a
# 32-bit one names the keys as a 32-bit program does, without WOW6432Node, and the system puts them
# in that view. (Windows takes an explicit WOW6432Node from a 32-bit program for the same key; Wine
# 8 redirects it a second time, to ...\WOW6432Node\WOW6432Node\..., where no 32-bit program looks.)
software='SOFTWARE'
case "$(basename "$prefix")" in wineprefix64*) software='SOFTWARE\WOW6432Node' ;; esac
# The PE machine of suitehost.exe: 8664 for an x64 build.
pe=$(od -An -tu4 -j60 -N4 "$suitehost" | tr -d ' ')
tools_software=SOFTWARE
[ "$(od -An -tx2 -j$((pe + 4)) -N2 "$suitehost" | tr -d ' ')" = 8664 ] && tools_software=$software
keys=(
  'HKEY_LOCAL_MACHINE\Software\Classes\Installer\Products\E1A7AD6A725DC214DA711D928B3F3E99'
  "HKEY_LOCAL_MACHINE\\$tools_software\\Brisolt"
  "HKEY_LOCAL_MACHINE\\$tools_software\\Pellucor"
  'HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\Session Manager'
)
tool="$prefix/drive_c/Program Files/Corvane/VendorTools/Toskan/toskan.exe"

. "$source/tests/wine_prefix.sh"
export_all() {  # $1: folder for the exports and the list of the prefix's files
  export_keys "$1"
  # Every file with its size and time, every folder by its name (the test's own tool changes its
  # folder's time). Times as Windows holds them, in 100-ns units: the Linux file system under the
  # prefix keeps nanoseconds, which no Windows program can set back (in the VM whole seconds).
  local cut='s/(\.[0-9]{7})[0-9]*$/\1/'
  [ "$places" -eq 0 ] && cut='s/\.[0-9]*$//'
  (cd "$prefix/drive_c" && find . -path ./users -prune -o \( -type d -printf '%p/\n' \) -o -printf '%p %s %T@\n' |
    sed -E "$cut" | sort) >"$1/files.txt"
}

fill() {  # $1: ClientInstalledVersion
  cat >"$work/fill.reg" <<REG
Windows Registry Editor Version 5.00

[HKEY_LOCAL_MACHINE\\Software\\Classes\\Installer\\Products\\E1A7AD6A725DC214DA711D928B3F3E99]
"ProductName"="Corvane ORVIX"
"Version"=dword:02000000

[HKEY_LOCAL_MACHINE\\$tools_software\\Brisolt\\Corvane ORVIX]
"Version"="2.7"
"Own"=hex:00,01,fe,ff
"Count"=hex(b):01,02,03,04,05,06,07,08
"List"=hex(7):61,00,00,00,00,00

[HKEY_LOCAL_MACHINE\\$tools_software\\Pellucor\\TAMBER VANTLE Install]
"ClientInstalledVersion"="$1"
"Path"=hex(2):25,00,57,00,00,00
"NeverRead"=dword:0000002a
REG
  # As UTF-16, as Windows' regedit writes it: Wine's regedit takes the hex bytes of a string value
  # in any other file for ANSI bytes and widens them.
  { printf '\xff\xfe'; iconv -f UTF-8 -t UTF-16LE "$work/fill.reg"; } >"$work/fill16.reg"
  "$run" regedit.exe /s "$(win "$work/fill16.reg")" >/dev/null 2>&1
  # What the registry editor cannot: Wine's terminates every string it imports, and no .reg file
  # holds rights.
  "$run" "$registry" value "HKEY_LOCAL_MACHINE\\$software\\Pellucor\\TAMBER VANTLE Install" ClientInstallDir 1 \
    43003a005c005400 >/dev/null 2>&1
  check $? "a string without its terminator is set"
  local key="HKEY_LOCAL_MACHINE\\$software\\Brisolt\\Corvane ORVIX"
  "$run" "$registry" unlock "$key" >/dev/null 2>&1 && "$run" "$registry" deny "$key" 6 >/dev/null 2>&1
  check $? "the server key refuses setting values and creating subkeys"
}

capture() {  # $1: name; the rest: capture's words
  local name=$1
  shift
  if "$run" "$suitehost" capture "$@" --out "$(win "$work/$name.json")" >"$work/$name.out" 2>"$work/$name.err"; then
    check 0 "capture $name ended with status 0"
  else
    check 1 "capture $name failed:"; cat "$work/$name.err"
  fi
}

trace() { tr -d '\r' <"$1" | grep -E '^  step |^      (host|machine) '; }

# What the prefix held before this test: what the test fills in goes again at its end.
export_all "$work/pristine"
put_back_on_exit "$work/pristine"
fill "3.0.0.1"
mkdir -p "$(dirname "$tool")" && printf 'MZ mine' >"$tool"
export_all "$work/before"
if ! tr -d '\0' <"$work/before/2.reg" | grep -q 'NeverRead'; then
  echo "FAIL: the prefix could not be filled or read back, so nothing would be proved"
  exit 1
fi

export SUITE_CAPTURE_TEST=present WINEDEBUG=-all
capture typical --from "$(win "$source/examples/typical-road.json")" --answer yes
capture server --from "$(win "$source/examples/server-road.json")" --answer yes
capture call caddon detectORVIX SetPortalTypeRegistry -p ORVIXPortalTypeProp=Integrated --name-machine
# What does not depend on the registry's view (the machine's name, an interrupted run's journal, a
# changed machine) is checked in the 32-bit prefix only: in the 64-bit one each start of Wine
# costs as much again, in the emulated VM tens of seconds.
own_view=0
[ "$software" = SOFTWARE ] && own_view=1
if [ "$own_view" -eq 1 ]; then
  # The machine's name only when asked for.
  name=$("$run" cmd.exe /c echo %COMPUTERNAME% 2>/dev/null | tr -d '\r')
  grep -q "from a machine running wine" "$work/typical.json" && ! grep -qi "$name" "$work/typical.json"
  check $? "a capture says the machine but not its name ($name)"
  grep -qi "from the machine $name running wine" "$work/call.json"
  check $? "with --name-machine the capture names the machine ($name)"

  # A machine that an interrupted run left changed is not captured until it is put back.
  SUITEHOST_DIE_AFTER_SETUP=1 "$run" "$suitehost" run -q "$(win "$source/examples/typical-road.json")" >/dev/null 2>&1
  status=0
  "$run" "$suitehost" capture ovrel initProperties --out "$(win "$work/interrupted.json")" >"$work/interrupted.out" 2>&1 ||
    status=$?
  [ "$status" -eq 2 ] && grep -q "left its journal" "$work/interrupted.out" && [ ! -e "$work/interrupted.json" ]
  check $? "a capture after an interrupted run is refused with status 2 ($status) and writes nothing"
  "$run" "$suitehost" run --dry-run "$(win "$source/examples/typical-road.json")" 2>&1 | grep -q "left its journal"
  check $? "a dry run says that an interrupted run left its journal"
  "$run" "$suitehost" restore >/dev/null 2>&1
fi
# A dry run says what a run would do here, and whether each thing is there now.
road="$source/examples/typical-road.json"
[ "$software" = SOFTWARE ] || road="$source/examples/x64-typical-road.json"
"$run" "$suitehost" run --dry-run "$(win "$road")" 2>&1 | tr -d '\r' >"$work/dry.txt"
for said in "record, clear and put back [HKLM\\$software\\Pellucor\\TAMBER VANTLE Install]: there now" \
            "\"ClientInstalledVersion\" = \"3.0.0.1\": now \"3.0.0.1\"" \
            "\"ClientInstallDir\" = \"C:\\\\Program Files\\\\Corvane\": now \"C:\\\\T\"" \
            'toskan.exe" (the start recorder): there now (its bytes are recorded and put back)' \
            'ISUSPM.exe" (the start recorder): not there now (removed afterwards)'; do
  grep -qF -- "$said" "$work/dry.txt"
  check $? "the dry run says: $said"
done
export_all "$work/after"
if diff -r "$work/before" "$work/after" >/dev/null; then
  check 0 "registry exports and the prefix's files are as they were after three captures and a dry run"
else
  check 1 "the prefix changed:"; diff -r "$work/before" "$work/after" | head -20
fi

# What was read is there, exactly; what was not read is not.
typical=$(cat "$work/typical.json" 2>/dev/null)
for wanted in '"ClientInstalledVersion": "3.0.0.1"' '"sz": "C:\\T"' '"terminated": false' '"windows": "x64"' \
              'toskan.exe": "readable"' '"clock": "'; do
  case "$wanted" in '"windows": "x64"') [ "$software" = SOFTWARE ] && continue ;; esac
  if [[ $typical == *"$wanted"* ]]; then check 0 "the typical road's capture holds $wanted"
  else check 1 "the typical road's capture lacks $wanted"; fi
done
for unwanted in 'NeverRead' '"Path"' 'SUITE_CAPTURE_TEST'; do
  if [[ $typical == *"$unwanted"* ]]; then check 1 "the capture holds $unwanted, which the actions never read"
  else check 0 "the capture leaves out $unwanted"; fi
done
if grep -q '"ProductName": "Corvane ORVIX"' "$work/server.json" 2>/dev/null; then
  check 0 "the server road's capture holds the product registration"
else
  check 1 "the server road's capture lacks the product registration"
fi
python3 - "$work/server.json" "HKEY_LOCAL_MACHINE\\$software\\Brisolt\\Corvane ORVIX" <<'PY'
import json, sys
denied = json.load(open(sys.argv[1])).get("deny", {}).get(sys.argv[2], 0)
sys.exit(0 if denied == 6 else 1)  # set value and create subkey, as the key refuses them
PY
check $? "the server road's capture holds the rights the server key refuses, exactly"

# Replayed natively, each capture holds, and its trace is the capture's own.
for name in typical server call; do
  if "$native" run "$work/$name.json" >"$work/$name.replay" 2>&1; then
    check 0 "the native replay of $name holds"
  else
    check 1 "the native replay of $name failed:"; tail -20 "$work/$name.replay"
  fi
  if [ -n "$(trace "$work/$name.out")" ] && diff <(trace "$work/$name.out") <(trace "$work/$name.replay") >/dev/null; then
    check 0 "the replay of $name traces what the capture traced ($(trace "$work/$name.out" | wc -l) lines)"
  else
    check 1 "the replay of $name traces otherwise:"; diff <(trace "$work/$name.out") <(trace "$work/$name.replay") | head
  fi
done

# One value changes: the first capture's expectations fail on the machine captured now.
if [ "$own_view" -eq 1 ]; then
  fill "2.0"
  capture changed --from "$(win "$source/examples/typical-road.json")" --answer yes
  python3 - "$work/typical.json" "$work/changed.json" "$work/mixed.json" <<'PY'
import json, sys
first, changed = json.load(open(sys.argv[1])), json.load(open(sys.argv[2]))
changed["steps"] = first["steps"]
json.dump(changed, open(sys.argv[3], "w"), indent=2)
PY
  status=0
  "$native" run "$work/mixed.json" >"$work/mixed.out" 2>&1 || status=$?
  if [ "$status" -eq 1 ] && grep -q 'expected' "$work/mixed.out"; then
    check 0 "the first capture's expectations fail on the changed machine"
  else
    check 1 "the first capture's expectations did not fail on the changed machine (status $status)"
  fi
fi

# The prefix as this test found it.
"$run" "$registry" unlock "HKEY_LOCAL_MACHINE\\$software\\Brisolt\\Corvane ORVIX" >/dev/null 2>&1
put_back "$work/pristine"
export_all "$work/end"
if diff -r "$work/pristine" "$work/end" >/dev/null; then check 0 "the prefix is as this test found it"
else check 1 "the prefix is not as this test found it:"; diff -r "$work/pristine" "$work/end" | head; fi
[ "$fail" -eq 0 ] && echo "ok: all $checks checks held"
exit $fail
