#!/usr/bin/env bash
# Every model, level, terrain and particle file of the generated data set goes through
# `terravik-inspect --full` and `terravik-pack` and must come back byte for byte.
#   round_trip.sh GAME_DIR WORK_DIR
set -uo pipefail
game=$1
work=$2
bin=$game/bin
rm -rf "$work"
mkdir -p "$work"
status=0
printf '%-10s %6s %9s\n' format files identical
for ext in 3dk wrd map kpr; do
    files=0
    same=0
    while IFS= read -r -d '' f; do
        files=$((files + 1))
        out=$work/$files.$ext
        if ! "$bin/terravik-inspect" --data-dir "$game" --full "$f" >"$out.json"; then
            echo "FAIL: terravik-inspect --full $f" >&2
            status=1
        elif ! "$bin/terravik-pack" "$out.json" "$out"; then
            echo "FAIL: terravik-pack $out.json (from $f)" >&2
            status=1
        elif cmp "$f" "$out"; then
            same=$((same + 1))
        else
            status=1
        fi
    done < <(find "$game" -type f -iname "*.$ext" -print0 | sort -z)
    printf '%-10s %6d %9d\n' "$ext" "$files" "$same"
    # An empty data set proves nothing.
    if [ "$files" -eq 0 ]; then
        echo "FAIL: no .$ext file under $game" >&2
        status=1
    fi
done
exit $status
