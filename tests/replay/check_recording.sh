#!/usr/bin/env bash
# Plays one recording from tests/data and checks that the game ends on the state hash stored
# beside it (NAME.rec -> NAME.hash), passing every checkpoint on the way. Any change to the
# simulation, its order or its arithmetic shows up here as a new hash.
# Headless (the default): --headless with no display at all. --windowed: the drawn game in a
# window (SDL's offscreen driver, OpenAL's null output).
# Usage: check_recording.sh GAME_DIR RECORDING [--headless|--windowed]
set -euo pipefail
game=$(cd "$1" && pwd)
rec=$2
mode=${3:---headless}
expected=$(tr -d ' \n' <"${rec%.rec}.hash")
tmp=$(mktemp -d /tmp/terravik-replay.XXXXXX)
trap 'rm -rf "$tmp"' EXIT
if [ "$mode" = --windowed ]; then
    export SDL_VIDEODRIVER=offscreen ALSOFT_DRIVERS=null
    run=("$game/bin/terravik")
else
    run=(env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER "$game/bin/terravik" --headless)
fi
set +e
timeout 1200 "${run[@]}" --replay "$rec" --dump-state "$tmp/state.json" >"$tmp/out.txt" 2>"$tmp/err.txt"
rc=$?
set -e
[ "$rc" = 0 ] || { echo "FAIL: exit status $rc: $(cat "$tmp/err.txt")" >&2; exit 1; }
got=$(sed -nE 's/.*"state_hash":"([0-9a-f]{16})".*/\1/p' "$tmp/state.json")
printed=$(sed -nE 's/.*state_hash ([0-9a-f]{16})$/\1/p' "$tmp/out.txt")
frames=$(sed -nE 's/^\{"frame":([0-9]+),.*/\1/p' "$tmp/state.json")
kills=$(sed -nE 's/.*"kills":([0-9]+),.*/\1/p' "$tmp/state.json")
life=$(sed -nE 's/.*"life":([-0-9.e+]+),.*/\1/p' "$tmp/state.json")
[ "$got" = "$printed" ] || { echo "FAIL: the report printed $printed, the dump holds $got" >&2; exit 1; }
[ "$got" = "$expected" ] || {
    echo "FAIL: $(basename "$rec") ended on state_hash $got after $frames frames (kills $kills, life $life), recorded $expected" >&2
    exit 1
}
echo "ok ($mode): $(basename "$rec"): $frames frames, kills $kills, turret life $life, state_hash $got; $(cat "$tmp/out.txt")"
