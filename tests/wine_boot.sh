#!/usr/bin/env bash
# A build's Wine prefix is booted once and kept: with a stand-in loader that boots a prefix of a
# registry file and a program file and runs `cmd.exe /c exit N`, the first build's prefix boots,
# a second prefix is made from the kept one without a boot (its program file linked, its registry
# its own, so that Wine writing it in place leaves the kept one alone), and in the emulated VM a
# new prefix boots in a folder of the guest's memory and is copied whole to its place.
# Usage: wine_boot.sh SOURCE_DIR WIRING_DIR   (WIRING_DIR holds x86/wine-run.sh and the kept prefixes)
set -uo pipefail
source=$1 wiring=$2
work=$(mktemp -d)
clean() { rm -rf "$wiring/prefixes" "$wiring"/x86/wineprefix-boot*; }
trap 'clean; rm -rf "$work"' EXIT
clean
. "$source/tests/checks.sh"

mkdir -p "$work/bin" "$work/memory"
# Wine's server: nothing to keep up for the stand-in.
printf '#!/bin/sh\nexit 0\n' >"$work/bin/wineserver"
cat >"$work/loader" <<'END'
#!/bin/sh
case "$1" in
  --version) echo "wine-8.0 (stand-in)" ;;
  wineboot)
    mkdir -p "$WINEPREFIX/drive_c/windows/system32" &&
      echo "registry" >"$WINEPREFIX/system.reg" &&
      echo "program" >"$WINEPREFIX/drive_c/windows/system32/kernel32.dll" &&
      echo "$WINEPREFIX" >>"$BOOTS" ;;
  cmd.exe) [ "$2" = /c ] && [ "$3" = exit ] && exit "${4:-0}" ;;
esac
exit 0
END
chmod +x "$work/loader" "$work/bin/wineserver"
export PATH="$work/bin:$PATH" BOOTS="$work/boots" SUITE_WINE_LOADER="$work/loader" SUITE_VM=off
run() { SUITE_WINE_PREFIX_NAME=$1 "$wiring/x86/wine-run.sh" cmd.exe /c exit 3 >"$work/out" 2>&1; }
inode() { stat -c %i "$1" 2>/dev/null; }

run boot
check "$([ $? -eq 3 ] && echo 0)" "the program's status comes back through the first boot: $(cat "$work/out")"
check "$([ "$(cat "$work/boots" 2>/dev/null)" = "$wiring/x86/wineprefix-boot" ] && echo 0)" \
  "the first prefix boots in its own folder; boots: $(cat "$work/boots" 2>/dev/null)"
kept=$(ls -d "$wiring"/prefixes/win32-* 2>/dev/null | grep -v '\.lock$' | head -1)
check "$([ -s "$kept/.ready" ] && [ -s "$kept/system.reg" ] && echo 0)" "the booted prefix is kept in $wiring/prefixes"

run boot_second
check "$([ $? -eq 3 ] && [ "$(wc -l <"$work/boots")" = 1 ] && echo 0)" \
  "a second prefix is made from the kept one without a boot; boots: $(cat "$work/boots")"
second=$wiring/x86/wineprefix-boot_second
check "$([ "$(inode "$second/drive_c/windows/system32/kernel32.dll")" = "$(inode "$kept/drive_c/windows/system32/kernel32.dll")" ] && echo 0)" \
  "the second prefix links the kept one's program files"
check "$([ -s "$second/system.reg" ] && [ "$(inode "$second/system.reg")" != "$(inode "$kept/system.reg")" ] && echo 0)" \
  "the second prefix's registry is a copy of its own, not a link to the kept one's"

# In the VM: another loader (so no kept prefix fits), the boot in the guest's memory.
cp -p "$work/loader" "$work/loader-vm" && touch -d '2001-01-01' "$work/loader-vm"
SUITE_IN_VM=1 SUITE_WINE_BOOT_DIR="$work/memory" SUITE_WINE_LOADER="$work/loader-vm" run boot_vm
status=$?
vm_prefix=$wiring/x86/wineprefix-boot_vm
check "$([ $status -eq 3 ] && [[ "$(tail -n 1 "$work/boots")" == "$work/memory/wineprefix-boot_vm."* ]] && echo 0)" \
  "in the VM the new prefix boots in memory; status $status, boots: $(cat "$work/boots"); $(cat "$work/out")"
check "$([ -s "$vm_prefix/system.reg" ] && [ -s "$vm_prefix/drive_c/windows/system32/kernel32.dll" ] && [ -s "$vm_prefix/.ready" ] && echo 0)" \
  "the prefix booted in memory is copied whole to $vm_prefix"
check "$([ -z "$(ls -A "$work/memory")" ] && echo 0)" "the boot's folder in memory is removed: $(ls -A "$work/memory")"

[ "$fail" -eq 0 ] || exit 1
echo "ok: all $checks checks held"
