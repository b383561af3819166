#!/usr/bin/env bash
# A replay whose input differs from what was recorded must stop at the first checkpoint after
# the difference: exit status 3 and "replay diverged at frame N: expected H, got H'". Changes
# one frame's mouse counts in a copy of RECORDING, ten frames after its first checkpoint.
# Usage: check_divergence.sh GAME_DIR RECORDING
set -euo pipefail
game=$(cd "$1" && pwd)
rec=$2
tmp=$(mktemp -d /tmp/terravik-diverge.XXXXXX)
trap 'rm -rf "$tmp"' EXIT
read -r first second _ < <(awk '$1 == "hash" { printf "%s ", $2 } END { print "" }' "$rec")
[ -n "${second:-}" ] || { echo "FAIL: $(basename "$rec") needs two checkpoints" >&2; exit 1; }
changed=$((first + 10))
expected=$(awk -v n="$second" '$1 == "hash" && $2 == n { print $3 }' "$rec")
# The changed frame turns the view by 40 counts; everything else stays as recorded.
awk -v k="$changed" '$1 == "f" { n++; if (n == k) { print "f " $2 " m 40 0 0 0 0 0 0"; next } } { print }' \
    "$rec" >"$tmp/changed.rec"
set +e
timeout 600 env -u DISPLAY -u WAYLAND_DISPLAY "$game/bin/terravik" --headless --replay "$tmp/changed.rec" >"$tmp/out.txt" 2>"$tmp/err.txt"
rc=$?
set -e
[ "$rc" = 3 ] || { echo "FAIL: exit status $rc, not 3: $(cat "$tmp/err.txt")" >&2; exit 1; }
grep -qE "^terravik: replay diverged at frame $second: expected $expected, got [0-9a-f]{16}$" "$tmp/err.txt" || {
    echo "FAIL: no divergence at frame $second reported: $(cat "$tmp/err.txt")" >&2
    exit 1
}
echo "ok: frame $changed changed, $(grep 'diverged' "$tmp/err.txt")"
