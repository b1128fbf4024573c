#!/usr/bin/env bash
# Signing the shipped files: a throwaway certificate made with openssl signs copies of the DLLs
# and suitehost.exe, osslsigncode verifies them against it, and (mode "wine") a scenario runs
# against the signed DLLs under Wine.
# Usage: sign_test.sh sign SOURCE_DIR BIN_DIR OUT_DIR | sign_test.sh wine SOURCE_DIR OUT_DIR WINE_RUN
set -uo pipefail
mode=$1 source=$2
if [ "$mode" = wine ]; then
  out=$3 run=$4
  "$run" "$out/suitehost.exe" --lib-dir "$out" run -q "$source/examples/typical-road.json"
  exit $?
fi
bin=$3 out=$4
rm -rf "$out" && mkdir -p "$out"
cp "$bin/ovrel.dll" "$bin/caddon.dll" "$bin/suitehost.exe" "$bin/start_recorder.exe" "$out/"
openssl req -x509 -newkey rsa:2048 -nodes -keyout "$out/key.pem" -out "$out/cert.pem" -days 2 \
  -subj "/CN=Corvane test signing" >/dev/null 2>&1 || { echo "FAIL: no certificate"; exit 1; }
openssl pkcs12 -export -out "$out/test.pfx" -inkey "$out/key.pem" -in "$out/cert.pem" -passout pass:throwaway \
  >/dev/null 2>&1 || { echo "FAIL: no PKCS#12 file"; exit 1; }
SUITE_SIGN_PFX="$out/test.pfx" SUITE_SIGN_PASSWORD=throwaway \
  bash "$source/scripts/sign" "$out/ovrel.dll" "$out/caddon.dll" "$out/suitehost.exe" || exit 1
fail=0
for file in ovrel.dll caddon.dll suitehost.exe; do
  if osslsigncode verify -CAfile "$out/cert.pem" -in "$out/$file" >"$out/$file.verify" 2>&1; then
    echo "ok: $file is signed and verifies"
  else
    echo "FAIL: $file does not verify"; cat "$out/$file.verify"; fail=1
  fi
done
# An unsigned file must not pass for a signed one.
if osslsigncode verify -CAfile "$out/cert.pem" -in "$bin/ovrel.dll" >/dev/null 2>&1; then
  echo "FAIL: the unsigned DLL verifies"; fail=1
fi
exit $fail
