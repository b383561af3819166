#!/usr/bin/env bash
# The headless timedemo (no display, no GL, no sound device) must end where the drawn one in a
# window ends: the same frames of the same simulation give the same state hash, and the
# headless run writes the same state dump.
# Usage: check_headless.sh GAME_DIR
set -euo pipefail
game=$(cd "$1" && pwd)
tmp=$(mktemp -d /tmp/terravik-headless.XXXXXX)
trap 'rm -rf "$tmp"' EXIT
args=(--windowed 1024x768 --frames 150 --frame-ms 16 --waves 1)
set +e
env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER timeout 600 "$game/bin/terravik" --headless "${args[@]}" \
    --dump-state "$tmp/headless.json" >"$tmp/headless.txt" 2>"$tmp/headless.err"
rc=$?
set -e
[ "$rc" = 0 ] || { echo "FAIL: headless exit status $rc: $(cat "$tmp/headless.err")" >&2; exit 1; }
SDL_VIDEODRIVER=offscreen ALSOFT_DRIVERS=null timeout 600 "$game/bin/terravik" --autostart "${args[@]}" \
    --dump-state "$tmp/window.json" >"$tmp/window.txt" 2>"$tmp/window.err" ||
    { echo "FAIL: the windowed run failed: $(cat "$tmp/window.err")" >&2; exit 1; }
headless=$(sed -nE 's/.*state_hash ([0-9a-f]{16})$/\1/p' "$tmp/headless.txt")
window=$(sed -nE 's/.*state_hash ([0-9a-f]{16})$/\1/p' "$tmp/window.txt")
[ -n "$headless" ] && [ "$headless" = "$window" ] || {
    echo "FAIL: headless state_hash '$headless', windowed '$window'" >&2
    exit 1
}
cmp -s "$tmp/headless.json" "$tmp/window.json" || { echo "FAIL: the state dumps differ" >&2; exit 1; }
grep -q '^150 frames in ' "$tmp/headless.txt" || { echo "FAIL: no frames line: $(cat "$tmp/headless.txt")" >&2; exit 1; }
echo "ok: 150 frames headless and windowed end on state_hash $headless"
echo "headless: $(head -1 "$tmp/headless.txt")"
echo "windowed: $(head -1 "$tmp/window.txt")"
