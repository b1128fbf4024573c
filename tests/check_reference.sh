#!/usr/bin/env bash
# The integration reference stays true: every property an action writes or reads, every
# registry value it uses and every key it opens is named in docs/integration.md; every exported
# action's section gives its signature; every property an action reads and none writes is in
# the table of what the installation project must provide.
# Usage: check_reference.sh SOURCE_DIR
set -uo pipefail
source=$1
doc="$source/docs/integration.md"
fail=0
names=$(grep -ohE '(WriteProperty|ReadProperty)\(s(ession)?, u"[A-Za-z_]+"' "$source"/ovrel/*.cpp "$source"/caddon/*.cpp |
        sed -E 's/.*u"([A-Za-z_]+)"/\1/' | sort -u)
values=$(grep -ohE '(ReadRegistryText|QueryIntoBuffer|QueryText|value|record)\([^,]*,? ?u"[A-Za-z_]+"' \
           "$source"/ovrel/*.cpp "$source"/caddon/*.cpp | sed -E 's/.*u"([A-Za-z_]+)"/\1/' | sort -u)
keys=$(grep -ohE '(kInstallRecordKey|kServerKey|kProductKey|kSessionManager) = u"[^"]+"' "$source"/ovrel/*.h \
         "$source"/caddon/*.h "$source"/caddon/*.cpp | sed -E 's/.*u"([^"]+)"/\1/; s/\\\\/\\/g' | sort -u)
[ -n "$names" ] && [ -n "$keys" ] || { echo "FAIL: found nothing to look for"; exit 1; }
for name in $names $values; do
  grep -q "\"$name\"" "$doc" || { echo "FAIL: docs/integration.md does not name \"$name\""; fail=1; }
done
while IFS= read -r key; do
  grep -qF "$key" "$doc" || { echo "FAIL: docs/integration.md does not name the key $key"; fail=1; }
done <<<"$keys"
actions=$(sed -n 's/^ *\([A-Za-z_]*\)@4$/\1/p' "$source"/ovrel/ovrel.def "$source"/caddon/caddon.def)
[ "$(wc -w <<<"$actions")" -ge 10 ] || { echo "FAIL: the export lists give fewer than 10 actions"; fail=1; }
for action in $actions; do
  # The action's own section, up to the next heading.
  section=$(awk -v h="### $action" '$0 == h {on = 1; next} /^#/ {on = 0} on' "$doc")
  [ -n "$section" ] || { echo "FAIL: docs/integration.md has no section for $action"; fail=1; continue; }
  grep -qF "\`HRESULT __stdcall $action(IDispatch *pDispatch)\`" <<<"$section" ||
    { echo "FAIL: the section of $action does not give its signature"; fail=1; }
done
reads=$(grep -ohE 'ReadProperty\(s(ession)?, u"[A-Za-z_]+"' "$source"/ovrel/*.cpp "$source"/caddon/*.cpp |
        sed -E 's/.*u"([A-Za-z_]+)"/\1/' | sort -u)
writes=$(grep -ohE 'WriteProperty\(s(ession)?, u"[A-Za-z_]+"' "$source"/ovrel/*.cpp "$source"/caddon/*.cpp |
         sed -E 's/.*u"([A-Za-z_]+)"/\1/' | sort -u)
provided=$(comm -23 <(echo "$reads") <(echo "$writes"))
table=$(awk '/^## What the installation project must provide/ {on = 1; next} /^## / {on = 0} on' "$doc")
[ "$(wc -w <<<"$provided")" -ge 10 ] || { echo "FAIL: fewer than 10 properties read and never written: $provided"; fail=1; }
for name in $provided; do
  grep -q "^| \"$name\" |" <<<"$table" ||
    { echo "FAIL: \"$name\" is read and never written, but not in the table of what the project must provide"; fail=1; }
done
[ $fail -eq 0 ] && echo "ok: $(wc -w <<<"$names $values") names, $(wc -l <<<"$keys") keys, $(wc -w <<<"$actions")" \
  "signatures, $(wc -w <<<"$provided") properties the project provides"
exit $fail
