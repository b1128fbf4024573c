# The keys and the vendor tool that a Wine test fills its prefix with, exported and put back. Sourced;
# the script sets `run` (wine-run.sh), `keys` (the keys it fills), `tool` (the tool's path) and `work` (its folder).

win() { echo "Z:${1//\//\\}"; }

export_keys() {  # $1: folder for an export of each key (or "(absent)") and a copy of the tool
  mkdir -p "$1"
  local i=0 key
  # One start of Wine for all of them (a start costs seconds, in the emulated VM many): a batch
  # file of the registry editor's exports; a key that is not there leaves no file.
  rm -f "$1"/*.reg
  for key in "${keys[@]}"; do
    printf 'regedit.exe /e "%s" "%s"\r\n' "$(win "$1/$i.reg")" "$key"
    i=$((i + 1))
  done >"$1/export.bat"
  "$run" cmd.exe /c "$(win "$1/export.bat")" >/dev/null 2>&1
  rm -f "$1/export.bat"
  for ((i = 0; i < ${#keys[@]}; i++)); do
    [ -s "$1/$i.reg" ] || echo "(absent)" >"$1/$i.reg"
  done
  cp "$tool" "$1/toskan.exe" 2>/dev/null || echo "(absent)" >"$1/toskan.exe"
}

put_back_filled() {  # $1: the export of the prefix as the test found it; each key that differs now
  # is put back as it was: taken out, and imported from that export when it was there. One start of
  # Wine for all of them, as for the exports.
  local now=$1.now i=0 key changed=0
  export_keys "$now"
  for key in "${keys[@]}"; do
    if ! cmp -s "$1/$i.reg" "$now/$i.reg"; then
      printf 'reg.exe delete "%s" /f\r\n' "$key"
      grep -qx '(absent)' "$1/$i.reg" || printf 'regedit.exe /s "%s"\r\n' "$(win "$1/$i.reg")"
      changed=1
    fi
    i=$((i + 1))
  done >"$now/put-back.bat"
  [ "$changed" -eq 0 ] || "$run" cmd.exe /c "$(win "$now/put-back.bat")" >/dev/null 2>&1
  rm -rf "$now"
  if grep -qx '(absent)' "$1/toskan.exe"; then
    rm -f "$tool"
    rmdir -p "$(dirname "$tool")" 2>/dev/null || true
  elif ! cmp -s "$1/toskan.exe" "$tool"; then
    cp "$1/toskan.exe" "$tool"
  fi
}

remove_work() { [ -n "${KEEP:-}" ] || rm -rf "$work"; }

# From here on the prefix is put back as the export in $1 found it also when the test ends early.
put_back_on_exit() {  # $1: the export of the prefix as the test found it
  trap "put_back_filled '$1' 2>/dev/null; remove_work" EXIT
}

# Puts the prefix back now; at the exit only the test's folder goes.
put_back() {  # $1: the export of the prefix as the test found it
  put_back_filled "$1"
  trap remove_work EXIT
}
