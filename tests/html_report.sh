#!/usr/bin/env bash
# `suitehost run --html` writes one page that holds everything it shows, and a real browser reads
# it: Debian's Chromium, headless, renders a run of passing, failing, unrunnable and missing files;
# the page it parsed has the summary, every scenario, the trace and the failed expectations side
# by side with the difference marked, and its screenshot is the size asked for and not blank.
# The browser is kept off the network: every address goes to a proxy on this machine that is not
# there, and its background services are off.
# Usage: html_report.sh SOURCE_DIR SUITEHOST
# Exit status: 0 all held; 1 a check failed; 77 Chromium is not installed (reason printed).
set -uo pipefail
source=$1 suitehost=$2
browser=$(command -v chromium || command -v chromium-browser) ||
  { echo "SKIPPED: Chromium is not installed (Debian's chromium; scripts/setup installs it)"; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
source "$(dirname "$0")/checks.sh"
has() { grep -qF -- "$2" "$1"; echo $?; }

mkdir -p "$work/a"
cat >"$work/a/fails.json" <<'JSON'
{"name": "fails on purpose", "library": "ovrel",
 "properties": {"ORVIX": "", "TOSKAN": ""},
 "steps": [{"call": "verify", "expect": {"result": "E_FAIL",
                                         "writes": [["ValidSelection", "false"], ["X", "<1>"]]}}]}
JSON
page=$work/report.html
"$suitehost" run -q --html "$page" "$source/examples/typical-road.json" "$source/examples/x64-typical-road.json" \
  "$work/a/fails.json" "$source/tests/invalid/duplicate-key.json" "$work/missing.json" >"$work/out.txt" 2>&1
status=$?
check "$([ $status = 2 ] && echo 0 || echo 1)" "suitehost's status was $status, not 2"
[ -s "$page" ] || { echo "FAIL: no page written: $(cat "$work/out.txt")"; exit 1; }

# Self-contained: nothing to fetch, nothing to run.
for word in '<script' '<link' ' src=' 'url(' '@import' 'href="http' "href='http"; do
  check "$([ "$(has "$page" "$word")" != 0 ] && echo 0 || echo 1)" "the page holds $word"
done

browse() {  # output option...
  timeout 120 "$browser" --headless --no-sandbox --disable-gpu --no-first-run --disable-sync \
    --disable-background-networking --disable-component-update --disable-default-apps \
    --disable-domain-reliability --proxy-server=http://127.0.0.1:9 --user-data-dir="$work/profile" \
    "$@" "file://$page" 2>"$work/browser.txt"
}
browse --dump-dom >"$work/dom.html"
[ -s "$work/dom.html" ] || { echo "FAIL: Chromium gave no page: $(tail -5 "$work/browser.txt")"; exit 1; }
dom=$work/dom.html
check "$(has "$dom" '<title>suitehost: 2 passed, 3 failed, 0 skipped</title>')" "the title does not count the run"
rows=$(grep -c '<tr class="\(passed\|failed\|error\|skipped\)"><td><a href="#s' "$dom")
check "$([ "$rows" = 5 ] && echo 0 || echo 1)" "$rows summary rows, not 5"
sections=$(grep -c '<section id="s[0-9]*"' "$dom")
check "$([ "$sections" = 5 ] && echo 0 || echo 1)" "$sections scenario sections, not 5"
check "$(has "$dom" 'failed: 2 of')" "the summary does not count the failed expectations"
check "$(has "$dom" 'open key [HKLM\SOFTWARE\Pellucor\TAMBER VANTLE Install] (access KEY_READ (0x00020019)) -&gt; ERROR_SUCCESS (0)')" \
  "the trace of the typical road is not there"
check "$(has "$dom" 'FAILED step 1 (/steps/0): result</p>')" "the failed result is not named"
check "$(has "$dom" '<td><mark>0x80004005 E_FAIL</mark></td><td><mark>0x00000000 S_OK</mark></td>')" \
  "the result's expected and actual are not side by side with the difference marked, in whole words"
# Passing scenarios folded, failing ones open; a failed step says so in its heading.
folded=$(grep -c '<details><summary>[0-9]* step(s), all held</summary>' "$dom")
check "$([ "$folded" = 2 ] && echo 0 || echo 1)" "$folded scenarios folded, not the 2 that passed"
check "$(has "$dom" '<h3 class="failed">step 1: call verify')" "the failed step's heading does not say it failed"
check "$(has "$dom" '<td>ValidSelection = "false"</td><td>ValidSelection = "false"</td>')" \
  "a write both sides have is not shown unmarked"
check "$(has "$dom" '<mark>X = "&lt;1&gt;</mark>')" "the expected write that did not happen is not marked (and escaped)"
check "$(has "$dom" 'duplicate-key.json')" "the file that cannot run is not reported"
check "$(has "$dom" 'missing.json')" "the missing file is not reported"

# A screenshot of the size asked for, with something drawn on it.
browse --window-size=1100,1400 --screenshot="$work/shot.png" >/dev/null
size=$(python3 -c '
import struct, sys
data = open(sys.argv[1], "rb").read()
assert data[:8] == b"\x89PNG\r\n\x1a\n", "not a PNG"
print("%dx%d %d" % (struct.unpack(">II", data[16:24]) + (len(data),)))' "$work/shot.png" 2>&1)
read -r dims bytes <<<"$size"
check "$([ "$dims" = 1100x1400 ] && echo 0 || echo 1)" "the screenshot is $size, not 1100x1400"
check "$([ "${bytes:-0}" -gt 40000 ] 2>/dev/null && echo 0 || echo 1)" "the screenshot is ${bytes:-no} bytes: blank?"

[ $fail = 0 ] && echo "ok: all $checks checks held"
exit $fail
