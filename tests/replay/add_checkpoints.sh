#!/usr/bin/env bash
# Gives a recording the checkpoints of the run it replays: plays RECORDING (headless) while
# recording it again, then writes the new run's `hash` lines into RECORDING after
# the frame lines they follow, and makes its first line "terravik-input 2". Every other line
# stays as it was; old hash lines are replaced. Use it when a change to the game is meant to
# change the recorded runs (then store the new end hash in NAME.hash as well).
# Usage: add_checkpoints.sh GAME_DIR RECORDING
set -euo pipefail
game=$(cd "$1" && pwd)
rec=$2
tmp=$(mktemp -d /tmp/terravik-checkpoints.XXXXXX)
trap 'rm -rf "$tmp"' EXIT
# The replay checks the old checkpoints, if any: a stale one must not stop it.
grep -v '^hash ' "$rec" | sed '1s/^terravik-input [0-9]*$/terravik-input 1/' >"$tmp/plain.rec"
env -u DISPLAY -u WAYLAND_DISPLAY "$game/bin/terravik" --headless --replay "$tmp/plain.rec" --record "$tmp/again.rec" >"$tmp/out.txt" 2>"$tmp/err.txt" || {
    echo "FAIL: the replay stopped: $(cat "$tmp/err.txt")" >&2
    exit 1
}
# The run recorded again must have read what the recording holds, frame for frame.
if ! diff <(grep '^f ' "$tmp/plain.rec") <(grep '^f ' "$tmp/again.rec") >/dev/null; then
    echo "FAIL: the replayed frames differ from the recording's" >&2
    exit 1
fi
awk 'NR == FNR { if ($1 == "hash") h[$2] = $0; next }
     FNR == 1 && /^terravik-input [0-9]+$/ { print "terravik-input 2"; next }
     $1 == "hash" { next }
     { print }
     $1 == "f" { n++; if (n in h) print h[n] }' "$tmp/again.rec" "$rec" >"$tmp/new.rec"
cp "$tmp/new.rec" "$rec"
echo "$(basename "$rec"): $(grep -c '^hash ' "$rec") checkpoints"
