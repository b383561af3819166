#!/usr/bin/env bash
# The window a plain run leaves is where the next plain run opens: its size and place go to
# $XDG_STATE_HOME/terravik/window.ini at exit. A timed run neither reads nor writes the file;
# a bad file is one stderr line and the settings' window.
game=$(cd "$1" && pwd)
source "$(dirname "$0")/lib.sh"

start_xvfb 1280x800
state="$XDG_STATE_HOME/terravik/window.ini"
printf '[video]\nfullscreen = false\nwidth = 800\nheight = 600\n' >"$E2E_TMP/s.ini"
geometry() { xdotool getwindowgeometry --shell "$1" | awk -F= '/^X/{x=$2} /^Y/{y=$2} /^WIDTH/{w=$2} /^HEIGHT/{h=$2} END{print w "x" h "+" x "+" y}'; }
play() {  # play NAME: a plain run; prints the window's geometry, then quits it with Escape
    "$game/bin/terravik" --config "$E2E_TMP/s.ini" >"$E2E_TMP/$1.txt" 2>&1 &
    GAME_PID=$!
    trap 'kill "$GAME_PID" 2>/dev/null || true' EXIT  # a subshell: a failure must not leave the game running
    wait_for 30 find_main_window || fail "$1: no main window: $(cat "$E2E_TMP/$1.txt")"
    local wid
    wid=$(find_main_window)
    if [ -n "${MOVE:-}" ]; then xdotool windowsize "$wid" 900 700 windowmove "$wid" 123 77; sleep 1; fi
    geometry "$wid"
    xdotool key --window "$wid" Escape 2>/dev/null || true  # the window may be gone before the key's release
    wait "$GAME_PID" || fail "$1: exit status $?: $(cat "$E2E_TMP/$1.txt")"
    GAME_PID=""
    # The game quits on the press and its window is gone before the release, so the server
    # still holds Escape down; the next game would find it held on focus and quit at once.
    xdotool keyup Escape 2>/dev/null || true
    trap - EXIT
}

[ "$(MOVE=1 play first)" = "900x700+123+77" ] || fail "the first run's window did not move"
grep -qx 'size = 900x700' "$state" && grep -qx 'position = 123,77' "$state" || fail "remembered: $(cat "$state")"
second=$(play second)
[ "$second" = "900x700+123+77" ] || fail "the second run opened at $second, not where the first left it"

cp "$state" "$E2E_TMP/kept.ini"
"$game/bin/terravik" --config "$E2E_TMP/s.ini" --autostart --frames 2 >"$E2E_TMP/timed.txt" 2>&1 || fail "timed run failed"
cmp -s "$state" "$E2E_TMP/kept.ini" || fail "a timed run rewrote the state: $(cat "$state")"

echo 'size = 12x12' >"$state"
[ "$(play bad)" = "800x600+240+100" ] || fail "a bad state file was used"
[ "$(grep -c "^terravik: window state $state: .*; ignored$" "$E2E_TMP/bad.txt")" = 1 ] ||
    fail "the bad file was not reported once: $(cat "$E2E_TMP/bad.txt")"
echo "ok: the window opens where the last plain run left it; timed runs leave the file; a bad file is ignored"
