#!/usr/bin/env bash
# Checks a shipped DLL: 32-bit PE, exactly the given undecorated exports, and imports from
# the system DLLs that every Windows has, nothing else.
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

size=$(stat -c %s "$dll")
echo "$(basename "$dll"): $size bytes, exports: $(echo $actual)"
exit $fail
