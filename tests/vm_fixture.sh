#!/usr/bin/env bash
# The emulated VM for one test run of a 32-bit Windows build (ctest's fixture "vm"): "up" starts it
# where this machine's kernel refuses 32-bit programs, once for the whole run, and ties it to the
# test runner's process, so that it shuts down when the run ends, however it ends; "down" shuts it
# down. "up" also claims the build folder's Wine prefixes for this run: a second run of the same
# build while one runs is refused.
# Usage: vm_fixture.sh up|down SOURCE_DIR BUILD_DIR
set -uo pipefail
what=$1 source=$2 build=$3
vm=$source/scripts/vm
claim=$build/wineprefix.run
runner=$PPID  # ctest
loader=${SUITE_WINE_LOADER:-/usr/lib/wine/wine}

case $what in
  up)
    mkdir -p "$build"
    exec 9>"$claim.lock"
    flock 9
    owner=$(cat "$claim" 2>/dev/null)
    if [ -n "$owner" ] && [ "$owner" != "$runner" ] && kill -0 "$owner" 2>/dev/null; then
      echo "FAIL: another test run (process $owner) is using the Wine prefixes of $build; wait for it to end"
      exit 1
    fi
    echo "$runner" >"$claim"
    flock -u 9
    status=0
    said=$("$loader" --version 2>&1) || status=$?
    if [ "$status" -ne 126 ] || [[ $said != *"Exec format error"* ]]; then
      echo "no VM: this machine runs 32-bit programs itself (or has no 32-bit Wine, which the tests say)"
      exit 0
    fi
    if ! why=$("$vm" available); then
      echo "no VM: $why; the tests under 32-bit Wine will be reported as skipped, with that reason"
      exit 0
    fi
    "$vm" start --owner "$runner" || exit 1
    echo "the emulated VM runs for this test run; it shuts down when the run ends"
    ;;
  down)
    [ "$(cat "$claim" 2>/dev/null)" = "$runner" ] && rm -f "$claim"
    "$vm" stop --owner "$runner"
    ;;
  *)
    echo "usage: vm_fixture.sh up|down SOURCE_DIR BUILD_DIR" >&2
    exit 2
    ;;
esac
