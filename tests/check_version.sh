#!/usr/bin/env bash
# A shipped file carries the project's version resource: every field, read back from the file.
# Usage: check_version.sh FILE VERSION DESCRIPTION
set -uo pipefail
file=$1 version=$2 description=$3
name=$(basename "$file")
# The resource's texts are UTF-16: each field's name is followed by its value.
fields=$(strings -el "$file" | sed -n "/^StringFileInfo$/,\$p")
field() { grep -A1 -x "$1" <<<"$fields" | sed -n 2p; }
fail=0
check() {
  local got
  got=$(field "$1")
  if [ "$got" != "$2" ]; then echo "FAIL: $name $1 is \"$got\", expected \"$2\""; fail=1; fi
}
check FileVersion "$version"
check ProductVersion "$version"
check FileDescription "$description"
check InternalName "${name%.*}"
check OriginalFilename "$name"
check ProductName "Corvane suite actions"
check CompanyName "Pellucor"
check LegalCopyright "Copyright (C) Pellucor"
[ $fail -eq 0 ] && echo "ok: $name $version"
exit $fail
