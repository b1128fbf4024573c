#!/usr/bin/env bash
# The wiring of the tests under Wine, proved without Wine: with Wine's loaders replaced by ones
# that print nothing and end with 0, that cannot start, that are missing, or that claim to be
# Wine but run nothing, a scenario test run by ctest is reported failed or skipped with its
# reason, never passed; a program that really reports its scenarios passes.
# Usage: wine_wiring.sh SOURCE_DIR WIRING_DIR   (WIRING_DIR holds x86/wine-run.sh, x64/wine-run.sh)
set -uo pipefail
source=$1 wiring=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The loaders.
printf '#!/bin/sh\nexit 0\n' >"$work/silent"
# An executable the kernel refuses, as it refuses Wine's 32-bit loader without IA-32 emulation.
{ printf '\177ELF\001\001\001'; head -c 57 /dev/zero; } >"$work/cannot-start"
# Says it is Wine, boots anything, and runs nothing: every program ends with 0.
printf '#!/bin/sh\n[ "$1" = --version ] && echo "wine-8.0 (fake)"\nexit 0\n' >"$work/pretender"
chmod +x "$work/silent" "$work/cannot-start" "$work/pretender"
missing=$work/not-installed
# The emulated VM: an emulator that boots nothing and ends with 0, over a prepared cache, so that
# nothing is fetched.
vmcache=$work/vm-cache
mkdir -p "$vmcache"
echo "a stand-in kernel" >"$vmcache/ready"
: >"$vmcache/vmlinuz"
: >"$vmcache/initramfs.cpio.gz"
vm="SUITE_VM=on;SUITE_QEMU=$work/silent;SUITE_VM_DIR=$work/vm;SUITE_VM_CACHE=$vmcache"
# Programs in place of a Windows program, for the evidence check on its own.
printf '#!/bin/sh\necho "scenarios: 1 passed, 0 failed, 0 skipped"\n' >"$work/holds"
printf '#!/bin/sh\necho "scenarios: 0 passed, 0 failed, 1 skipped"\n' >"$work/all-skipped"
printf '#!/bin/sh\necho "[  PASSED  ] 0 tests."\n' >"$work/no-gtest"
chmod +x "$work/holds" "$work/all-skipped" "$work/no-gtest"
# Reports of one run of several files, for the judging of each file on its own.
cat >"$work/json-empty" <<'END'
#!/bin/sh
echo '{"format": 3, "scenarios": []}'
END
cat >"$work/json-holds" <<'END'
#!/bin/sh
printf '{"scenarios": [{"file": "%s", "passed": true, "expectations": 1}]}\n' "$1"
END
{ cat "$work/json-holds"; echo 'exit 1'; } >"$work/json-wrong-status"
printf '#!/bin/sh\necho "wine-run: skipped: no Wine here" >&2\nexit 77\n' >"$work/skips"
chmod +x "$work/json-empty" "$work/json-wrong-status" "$work/json-holds" "$work/skips"

scenario="$source/examples/typical-road.json"
expect="bash $source/tests/expect_run.sh"
batch="python3 $source/tests/scenario_batch.py"
# name | expected | what the output must say | environment | command
cases=(
  "silent-x86|Failed|does not start as Wine|SUITE_WINE_LOADER=$work/silent|$expect scenarios $wiring/x86/wine-run.sh suitehost.exe run -q $scenario"
  "cannot-start-x86|Skipped|cannot execute 32-bit x86 programs.*the emulated VM cannot be had: it is turned off|SUITE_WINE_LOADER=$work/cannot-start;SUITE_VM=off|$expect scenarios $wiring/x86/wine-run.sh suitehost.exe run -q $scenario"
  "vm-boots-nothing-x86|Failed|emulated VM ended before it took commands|SUITE_WINE_LOADER=$work/cannot-start;$vm|$expect scenarios $wiring/x86/wine-run.sh suitehost.exe run -q $scenario"
  "vm-always-x86|Failed|SUITE_VM=always: suitehost.exe runs under 32-bit Wine in the emulated VM|SUITE_WINE_LOADER=$work/pretender;${vm/SUITE_VM=on/SUITE_VM=always}|$expect scenarios $wiring/x86/wine-run.sh suitehost.exe run -q $scenario"
  "vm-not-installed-x86|Skipped|the emulator .* is not installed|SUITE_WINE_LOADER=$work/cannot-start;SUITE_VM=on;SUITE_QEMU=$missing|$expect scenarios $wiring/x86/wine-run.sh suitehost.exe run -q $scenario"
  "no-wine32|Skipped|wine32 package|SUITE_WINE_LOADER=$missing|$expect scenarios $wiring/x86/wine-run.sh suitehost.exe run -q $scenario"
  "no-wine32-x64-prefix|Skipped|wine32 package|SUITE_WINE_LOADER=$missing;SUITE_WINE_LOADER64=$work/pretender;SUITE_WINE_WINDOWS=x64|$expect scenarios $wiring/x86/wine-run.sh suitehost.exe run -q $scenario"
  "silent-wine64-x64-prefix|Failed|does not start as Wine|SUITE_WINE_LOADER=$work/pretender;SUITE_WINE_LOADER64=$work/silent;SUITE_WINE_WINDOWS=x64|$expect scenarios $wiring/x86/wine-run.sh suitehost.exe run -q $scenario"
  "pretender-x86|Failed|ended with status 0 instead of 7|SUITE_WINE_LOADER=$work/pretender|$expect scenarios $wiring/x86/wine-run.sh suitehost.exe run -q $scenario"
  "silent-x64-build|Failed|does not start as Wine|SUITE_WINE_LOADER64=$work/silent|$expect scenarios $wiring/x64/wine-run.sh suitehost.exe run -q $scenario"
  "cannot-start-x64-build|Skipped|cannot execute Wine's 64-bit loader|SUITE_WINE_LOADER64=$work/cannot-start|$expect scenarios $wiring/x64/wine-run.sh suitehost.exe run -q $scenario"
  "no-wine64|Skipped|wine64 package|SUITE_WINE_LOADER64=$missing|$expect scenarios $wiring/x64/wine-run.sh suitehost.exe run -q $scenario"
  "silent-program|Failed|printed no closing line|X=1|$expect scenarios $work/silent"
  "silent-gtest|Failed|printed no '\[  PASSED  \] N tests' line|X=1|$expect gtest $work/no-gtest"
  "silent-script|Failed|printed no 'ok: all N checks held' line|X=1|$expect ok $work/silent"
  "holds|Passed|scenarios: 1 passed|X=1|$expect scenarios $work/holds"
  "all-skipped|Skipped|every scenario was skipped|X=1|$expect scenarios $work/all-skipped"
  "batch-silent|Failed|left no readable report|X=1|$batch run $work/b1 $scenario -- $work/silent"
  "batch-silent-file|Failed|no report of the run of all files|X=1|$batch check $work/b1 $scenario"
  "batch-empty|Failed|no single entry for 1 of 1 files|X=1|$batch run $work/b2 $scenario -- $work/json-empty"
  "batch-wrong-status|Failed|status 1, but its report calls for 0|X=1|$batch run $work/b3 $scenario -- $work/json-wrong-status"
  "batch-skipped|Skipped|no Wine here|X=1|$batch run $work/b4 $scenario -- $work/skips"
  "batch-skipped-file|Skipped|the run of all files was skipped|X=1|$batch check $work/b4 $scenario"
  "batch-holds|Passed|1 files in one run, status 0|X=1|$batch run $work/b5 $scenario -- $work/json-holds"
  "batch-holds-file|Passed|passed, 1 expectations held|X=1|$batch check $work/b5 $scenario"
  "batch-not-refused|Failed|the file was not refused|X=1|$batch check $work/b5 $scenario --refused"
)

# The cases as ctest sees them, with the properties the Windows tests have.
mkdir -p "$work/ctest"
for row in "${cases[@]}"; do
  IFS='|' read -r name expected said environment command <<<"$row"
  echo "add_test($name $command)"
  echo "set_tests_properties($name PROPERTIES SKIP_RETURN_CODE 77 ENVIRONMENT \"$environment\")"
done >"$work/ctest/CTestTestfile.cmake"
(cd "$work/ctest" && ctest -V --timeout 60) >"$work/ctest.txt" 2>&1

fail=0 checks=0 number=0
for row in "${cases[@]}"; do
  IFS='|' read -r name expected said environment command <<<"$row"
  number=$((number + 1))
  verdict=$(grep -E "Test +#$number: $name " "$work/ctest.txt" | grep -oE 'Passed|Failed|Skipped' | head -1)
  output=$(grep -E "^$number: " "$work/ctest.txt")
  if [ "$verdict" != "$expected" ]; then
    echo "FAIL: $name: ctest reported '${verdict:-nothing}', expected $expected"
    fail=1
  elif ! grep -qE "$said" <<<"$output"; then
    echo "FAIL: $name: $expected, but its output does not say '$said':"
    echo "$output"
    fail=1
  else
    echo "ok: $name: $expected, saying '$said'"
    checks=$((checks + 1))
  fi
done
[ "$fail" -eq 0 ] || { echo "ctest said:"; cat "$work/ctest.txt"; exit 1; }
echo "ok: all $checks checks held"
