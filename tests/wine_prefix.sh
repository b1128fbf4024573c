# The keys and the vendor tool that a Wine test fills its prefix with, exported and put back. Sourced;
# the script sets `run` (wine-run.sh), `keys` (the keys it fills) and `tool` (the tool's path).

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

put_back_filled() {  # $1: the export of the prefix as the test found it: what was not there goes
  local i=0 key
  for key in "${keys[@]}"; do
    if grep -qx '(absent)' "$1/$i.reg"; then
      "$run" reg.exe delete "$key" /f >/dev/null 2>&1
    fi
    i=$((i + 1))
  done
  if grep -qx '(absent)' "$1/toskan.exe"; then
    rm -f "$tool"
    rmdir -p "$(dirname "$tool")" 2>/dev/null || true
  fi
}
