#!/usr/bin/env bash
# A failure that stops the game before it starts is shown to a player who started it from a
# desktop (no terminal): a message box waits to be closed; then the game exits with the same
# status and stderr line as always. Runs with --frames or --autostart never wait on a box
# (tests/e2e/test_startup_failures.sh runs those without any display).
game=$(cd "$1" && pwd)
source "$(dirname "$0")/lib.sh"

start_xvfb
missing="$E2E_TMP/no-such-data"
start_game() {
    "$game/bin/terravik" --data-dir "$missing" >"$E2E_TMP/out.txt" 2>"$E2E_TMP/err.txt" &
    GAME_PID=$!
}
find_box() {  # the visible window named "Terravik" (SDL's box has a UTF-8 name, which search --name misses)
    local w
    for w in $(xdotool search --onlyvisible --classname '' 2>/dev/null); do
        [ "$(xdotool getwindowname "$w" 2>/dev/null)" = "Terravik" ] && echo "$w" && return 0
    done
    return 1
}
start_game
# SDL's X11 box runs in a child process that has now and then failed to start on a loaded
# machine; the game then says so on stderr (checked below to be the only other line). One more
# try tells that apart from a box that never comes.
if ! wait_for 20 find_box && grep -q 'could not show the message box' "$E2E_TMP/err.txt"; then
    echo "note: the first box could not be shown ($(tail -n1 "$E2E_TMP/err.txt")); trying once more"
    wait_exit "$GAME_PID" 20
    start_game
fi
wait_for 20 find_box || fail "no message box; exit: $(cat /proc/$GAME_PID/stat 2>/dev/null | awk '{print $3}') stderr: $(cat "$E2E_TMP/err.txt")"
box=$(find_box)
# The box shows its text (light on its dark face) and holds the game until it is closed.
import -window "$box" "$E2E_TMP/box.png"
text=$(count_pixels "$E2E_TMP/box.png" "$(identify -format '%wx%h+0+0' "$E2E_TMP/box.png")" 'r>180 && g>180 && b>180')
[ "$text" -gt 300 ] || fail "the message box shows no text ($text light pixels)"
sleep 0.5
kill -0 "$GAME_PID" 2>/dev/null || fail "the game ended without waiting for the box to be closed"
xdotool windowfocus --sync "$box" || true
xdotool key --window "$box" Return
wait_exit "$GAME_PID" 20
[ "$EXIT_RC" = "2" ] || fail "exit status $EXIT_RC after closing the box; stderr: $(cat "$E2E_TMP/err.txt")"
[ "$(wc -l <"$E2E_TMP/err.txt")" = "1" ] && grep -q "^terravik: .*$missing" "$E2E_TMP/err.txt" ||
    fail "stderr was: $(cat "$E2E_TMP/err.txt")"
echo "ok: a message box ($text pixels of text) for a missing data folder; exit 2 once closed, one stderr line"
