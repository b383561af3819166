#!/usr/bin/env bash
# Gathers every text the game shows (the literals passed to Tr() and TrNoop() under src/) into
# po/terravik.pot and merges the new texts into each language's po/LANG.po, where they wait,
# untranslated, for a translator. Run it after adding or changing a player-visible text.
#   bash scripts/update-po.sh            regenerate po/terravik.pot and merge the .po files
#   bash scripts/update-po.sh --pot OUT  only write the template to OUT (the catalogue test)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
pot=$root/po/terravik.pot
merge=1
if [ "${1:-}" = "--pot" ]; then
    pot=$2
    merge=0
fi
cd "$root"
# Sorted file names and no dates: the same sources give the same template.
find src -name '*.cpp' -o -name '*.h' | LC_ALL=C sort >"$pot.files"
xgettext --language=C++ --from-code=UTF-8 --keyword= --keyword=Tr --keyword=TrNoop \
    --add-location=file --sort-by-file --package-name=terravik \
    --files-from="$pot.files" --output="$pot.new"
rm -f "$pot.files"
# The header's date changes on every run; leave it out so an unchanged set of texts leaves
# the file unchanged.
sed -e '/^"POT-Creation-Date:/d' -e 's/charset=CHARSET/charset=UTF-8/' \
    -e '1,4c# The texts the game shows, in Russian as the code writes them.\n# This file is distributed under the same license as the terravik package.' \
    "$pot.new" >"$pot"
rm -f "$pot.new"
if [ "$merge" = 1 ]; then
    for po in "$root"/po/*.po; do
        msgmerge --quiet --update --backup=none --no-fuzzy-matching "$po" "$pot"
    done
fi
