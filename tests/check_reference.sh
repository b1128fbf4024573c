#!/usr/bin/env bash
# The integration reference stays true: every property an action writes or reads, every
# registry value it uses and every key it opens is named in docs/integration.md.
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
[ $fail -eq 0 ] && echo "ok: $(wc -w <<<"$names $values") names and $(wc -l <<<"$keys") keys"
exit $fail
