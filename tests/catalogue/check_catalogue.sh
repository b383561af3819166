#!/usr/bin/env bash
# Every text the game shows has its English: the template made afresh from the sources (every
# Tr() and TrNoop() literal under src/) has a translated, reviewed entry in po/en.po for each
# of its texts, and every catalogue compiles under msgfmt --check.
set -euo pipefail
src=$(cd "$(dirname "$0")/../.." && pwd)
tmp=$(mktemp -d /tmp/terravik-catalogue.XXXXXX)
trap 'rm -rf "$tmp"' EXIT
bash "$src/scripts/update-po.sh" --pot "$tmp/terravik.pot" 2>"$tmp/xgettext.txt" ||
    { cat "$tmp/xgettext.txt" >&2; exit 1; }
texts=$(grep -c '^msgid "..*"' "$tmp/terravik.pot" || true)
[ "$texts" -ge 10 ] || { echo "FAIL: only $texts texts found in the sources" >&2; exit 1; }
for po in "$src"/po/*.po; do
    msgfmt --check -o /dev/null "$po" || { echo "FAIL: $po does not compile" >&2; exit 1; }
done
# msgcmp fails on a text the catalogue lacks, leaves untranslated or marks fuzzy.
msgcmp "$src/po/en.po" "$tmp/terravik.pot" || { echo "FAIL: po/en.po lacks English texts" >&2; exit 1; }
echo "catalogue: $texts texts, all in English"
