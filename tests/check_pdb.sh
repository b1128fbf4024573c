#!/usr/bin/env bash
# Checks the symbols of a shipped file built by clang and lld: the PDB beside it is the one its
# debug directory names (file name, GUID and age), it holds debug information and types, and, for
# a DLL, each exported action resolves through it to its own function and a source line of ours.
# Usage: check_pdb.sh LLVM_BIN_SUFFIX FILE [EXPORT...]   (suffix: "-14", or "" for unversioned tools)
set -uo pipefail
suffix=$1 file=$2
shift 2
tool() { local name=$1; shift; "llvm-$name$suffix" "$@"; }
pdb="${file%.*}.pdb"
source "$(dirname "$0")/checks.sh"
[ -f "$pdb" ] || { echo "FAIL: no $pdb beside $file"; exit 1; }

directory=$(tool readobj --coff-debug-directory "$file")
named=$(sed -n 's/^ *PDBFileName: //p' <<<"$directory")
check "$([ "$named" = "$(basename "$pdb")" ] && echo 0 || echo 1)" \
  "the debug directory names \"$named\", not the PDB's name alone"
# The GUID as the debug directory holds its bytes (Data1-3 little-endian), in the PDB's spelling.
bytes=($(sed -n 's/^ *PDBGUID: (\(.*\))$/\1/p' <<<"$directory"))
if [ ${#bytes[@]} -eq 16 ]; then
  b=("${bytes[@]}")
  guid="${b[3]}${b[2]}${b[1]}${b[0]}-${b[5]}${b[4]}-${b[7]}${b[6]}-${b[8]}${b[9]}-${b[10]}${b[11]}${b[12]}${b[13]}${b[14]}${b[15]}"
else
  guid=""
fi
age=$(sed -n 's/^ *PDBAge: //p' <<<"$directory")
summary=$(tool pdbutil dump -summary "$pdb")
pdb_guid=$(sed -n 's/^ *GUID: {\(.*\)}$/\1/p' <<<"$summary")
pdb_age=$(sed -n 's/^ *Age: //p' <<<"$summary")
check "$([ -n "$guid" ] && [ "$guid" = "$pdb_guid" ] && echo 0 || echo 1)" \
  "GUID in the file {$guid}, in the PDB {$pdb_guid}"
check "$([ -n "$age" ] && [ "$age" = "$pdb_age" ] && echo 0 || echo 1)" "age in the file $age, in the PDB $pdb_age"
grep -q "Has Debug Info: true" <<<"$summary"
check $? "the PDB has no debug information"
types=$(tool pdbutil dump -types "$pdb" | grep -c ' | LF_')
check "$([ "$types" -gt 100 ] && echo 0 || echo 1)" "the PDB holds $types types"

# Each export, at its address, resolves through the PDB to the function of its name, in a source
# file of ours at a line.
base=$(tool readobj --file-headers "$file" | awk '/ImageBase:/ {print $2}')
exports=$(tool readobj --coff-exports "$file")
for name in "$@"; do
  rva=$(awk -v n="$name" '$1 == "Name:" {found = ($2 == n)} found && $1 == "RVA:" {print $2; exit}' <<<"$exports")
  if [ -z "$rva" ]; then check 1 "$name is not exported"; continue; fi
  mapfile -t where < <(tool symbolizer --obj="$file" "$(printf '0x%x' $((base + rva)))")
  check "$([ "${where[0]:-}" = "$name" ] && echo 0 || echo 1)" "$name's address resolves to \"${where[0]:-}\""
  [[ "${where[1]:-}" =~ ^C:\\src\\(ovrel|caddon|common)\\[a-z_]+\.cpp:[1-9][0-9]*:[0-9]+$ ]]
  check $? "$name has no source line of ours: \"${where[1]:-}\""
done
[ $fail = 0 ] && echo "ok: all $checks checks held ($(basename "$file"): GUID {$guid}, age $age, $types types)"
exit $fail
