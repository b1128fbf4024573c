#!/usr/bin/env bash
# Signing the shipped files: a throwaway certificate made with openssl signs copies of the DLLs
# and suitehost.exe, osslsigncode verifies them against it, and (mode "wine") a scenario runs
# against the signed DLLs under Wine.
# Mode "package": the release package made with a certificate given is signed end to end (each
# program and library verifies, and SHA256SUMS holds for the signed files), and one made without
# says it is unsigned.
# Usage: sign_test.sh sign SOURCE_DIR BIN_DIR OUT_DIR | sign_test.sh wine SOURCE_DIR OUT_DIR WINE_RUN
#        | sign_test.sh package SOURCE_DIR BUILD_DIR OUT_DIR
set -uo pipefail
mode=$1 source=$2

certificate() {  # folder: a throwaway certificate, its PKCS#12 file and a file with its password
  openssl req -x509 -newkey rsa:2048 -nodes -keyout "$1/key.pem" -out "$1/cert.pem" -days 2 \
    -subj "/CN=Corvane test signing" >/dev/null 2>&1 || { echo "FAIL: no certificate"; exit 1; }
  openssl pkcs12 -export -out "$1/test.pfx" -inkey "$1/key.pem" -in "$1/cert.pem" -passout pass:throwaway \
    >/dev/null 2>&1 || { echo "FAIL: no PKCS#12 file"; exit 1; }
  echo throwaway >"$1/password"
}

if [ "$mode" = package ]; then
  build=$3 out=$4
  rm -rf "$out" && mkdir -p "$out/signed" "$out/unsigned"
  certificate "$out"
  fail=0 checks=0
  SUITE_SIGN_PFX="$out/test.pfx" SUITE_SIGN_PASSWORD_FILE="$out/password" \
    cpack --config "$build/CPackConfig.cmake" -B "$out/signed" >"$out/signed.txt" 2>&1 ||
    { echo "FAIL: the signed package was not made:"; cat "$out/signed.txt"; exit 1; }
  env -u SUITE_SIGN_PFX cpack --config "$build/CPackConfig.cmake" -B "$out/unsigned" >"$out/unsigned.txt" 2>&1 ||
    { echo "FAIL: the unsigned package was not made:"; cat "$out/unsigned.txt"; exit 1; }
  grep -q "the release is UNSIGNED" "$out/unsigned.txt" || { echo "FAIL: the unsigned package does not say so"; fail=1; }
  grep -q "the release is signed: 4 files" "$out/signed.txt" || { echo "FAIL: the signed package does not say so"; fail=1; }
  zip=$(ls "$out"/signed/*.zip 2>/dev/null | head -1)
  [ -n "$zip" ] || { echo "FAIL: no ZIP in $out/signed"; exit 1; }
  (cd "$out/signed" && python3 -m zipfile -e "$zip" unpacked) || { echo "FAIL: cannot unpack $zip"; exit 1; }
  top=$(ls -d "$out"/signed/unpacked/*/ | head -1)
  for file in "$top"bin/*.dll "$top"bin/*.exe; do
    checks=$((checks + 1))
    if osslsigncode verify -CAfile "$out/cert.pem" -in "$file" >"$out/verify.txt" 2>&1; then
      echo "ok: $(basename "$file") in the package is signed and verifies"
    else
      echo "FAIL: $(basename "$file") in the package does not verify"; cat "$out/verify.txt"; fail=1
    fi
  done
  [ $checks -eq 4 ] || { echo "FAIL: $checks programs and libraries in the package, not 4"; fail=1; }
  if (cd "$top" && sha256sum --quiet -c SHA256SUMS); then
    echo "ok: SHA256SUMS holds for the signed package ($(wc -l <"$top/SHA256SUMS") files)"
  else
    echo "FAIL: SHA256SUMS does not hold for the signed files"; fail=1
  fi
  exit $fail
fi

if [ "$mode" = wine ]; then
  out=$3 run=$4
  "$run" "$out/suitehost.exe" --lib-dir "$out" run -q "$source/examples/typical-road.json"
  exit $?
fi
bin=$3 out=$4
rm -rf "$out" && mkdir -p "$out"
cp "$bin/ovrel.dll" "$bin/caddon.dll" "$bin/suitehost.exe" "$bin/start_recorder.exe" "$out/"
certificate "$out"
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
