#!/usr/bin/env bash
# Checks a shipped DLL: 32-bit PE, exactly the given undecorated exports, each pointing into the
# code; imports from the system DLLs that every Windows has, nothing else, and none of the calls
# that only a thread library or a debugging aid makes; at most 96 KiB.
# Usage: check_dll.sh OBJDUMP DLL EXPORT...
set -euo pipefail
objdump=$1 dll=$2
shift 2
expected=$(printf '%s\n' "$@" | sort)
dump=$("$objdump" -p "$dll")
fail=0

if ! "$objdump" -f "$dll" | grep -q 'file format pei-i386'; then
  echo "FAIL: $dll is not a 32-bit PE image"; fail=1
fi

# Rows of the export name table look like "	[   0] initProperties".
actual=$(printf '%s\n' "$dump" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' |
         sed -n 's/^\s*\[ *[0-9]*\] \(.*\)$/\1/p' | sort)
if [ "$actual" != "$expected" ]; then
  echo "FAIL: exports differ"; diff <(echo "$expected") <(echo "$actual") || true; fail=1
fi
if printf '%s\n' "$actual" | grep -q '@'; then
  echo "FAIL: decorated export names"; fail=1
fi

allowed='^(KERNEL32|ADVAPI32|USER32|SHELL32|OLEAUT32|msvcrt)\.dll$'
while read -r name; do
  if ! printf '%s\n' "$name" | grep -qiE "$allowed"; then
    echo "FAIL: imports $name"; fail=1
  fi
done < <(printf '%s\n' "$dump" | sed -n 's/^\s*DLL Name: //p')

# Each export's address lies in the code section: a link that dropped an action still lists its
# name, with an address that points nowhere.
base=$(printf '%s\n' "$dump" | sed -n 's/^ImageBase\s\+\([0-9a-fA-F]*\)$/\1/p')
read -r text_vma text_size < <("$objdump" -h "$dll" | awk '$2 == ".text" {print $4, $3}')
if [ -z "$base" ] || [ -z "${text_vma:-}" ]; then
  echo "FAIL: no image base or code section found"; fail=1
else
  start=$((0x$text_vma - 0x$base)) end=$((0x$text_vma - 0x$base + 0x$text_size))
  while read -r rva; do
    if [ $((0x$rva)) -lt $start ] || [ $((0x$rva)) -ge $end ]; then
      echo "FAIL: an export's address 0x$rva lies outside the code (0x$(printf %x $start)-0x$(printf %x $end))"; fail=1
    fi
  done < <(printf '%s\n' "$dump" | sed -n 's/^\s*\[ *[0-9]*\] +base\[ *[0-9]*\] \([0-9a-fA-F]*\) Export RVA$/\1/p')
fi

# No thread library and nothing that suspends, inspects or waits on threads or debugs: the
# libraries have no threads (winpthreads brought these in).
forbidden='^(SuspendThread|ResumeThread|GetThreadContext|SetThreadContext|CreateThread|TerminateThread|'\
'AddVectoredExceptionHandler|RemoveVectoredExceptionHandler|SetUnhandledExceptionFilter|CreateEvent[AW]?|'\
'SetEvent|ResetEvent|DuplicateHandle|IsDebuggerPresent|OutputDebugString[AW]?|DebugBreak|_beginthreadex|'\
'_endthreadex)$'
imports=$(printf '%s\n' "$dump" | sed -n '/The Import Tables/,/The Export Tables/p' |
          sed -n 's/^\s*[0-9a-fA-F]\+\s\+[0-9]\+\s\+\([A-Za-z_][A-Za-z0-9_]*\)$/\1/p' | sort -u)
[ -n "$imports" ] || { echo "FAIL: no imported functions found"; fail=1; }
bad=$(printf '%s\n' "$imports" | grep -E "$forbidden" || true)
if [ -n "$bad" ]; then
  echo "FAIL: imports what only threads or debugging need: $(echo $bad)"; fail=1
fi

size=$(stat -c %s "$dll")
if [ "$size" -gt 98304 ]; then
  echo "FAIL: $size bytes, more than 96 KiB (98,304)"; fail=1
fi
echo "$(basename "$dll"): $size bytes, exports: $(echo $actual)"
echo "imports: $(echo $imports)"
exit $fail
