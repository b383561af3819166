#!/usr/bin/env bash
# A key acts in the state it was pressed in, or not at all. Escape on the title screen quits
# at once, cleanly. "2" (the laser) pressed on the title screen does nothing: after "Старт" the
# game reads no "2" and keeps the cannon; nor does it read a "1" pressed while the start-up
# runs. Escape in the pause quits at once, not on going on, and the recording of that run
# replays to the state it ended in.
game=$(cd "$1" && pwd)
source "$(dirname "$0")/lib.sh"

start_xvfb
exe="$game/bin/terravik"

# Escape on the title screen.
"$exe" --windowed 1024x768 >"$E2E_TMP/title.txt" 2>&1 &
GAME_PID=$!
wait_for 30 find_main_window || fail "no main window: $(cat "$E2E_TMP/title.txt")"
wid=$(find_main_window)
xdotool windowfocus --sync "$wid" || true
sleep 0.3
xdotool key Escape
wait_exit "$GAME_PID" 5
[ "$EXIT_RC" = "0" ] ||
    fail "Escape on the title screen: exit status $EXIT_RC, not 0 at once: $(cat "$E2E_TMP/title.txt")"

# "2" on the title screen, "Старт", then pause and Escape.
rec="$E2E_TMP/play.rec"
"$exe" --windowed 1024x768 --frame-ms 1 --frames 10000000 --record "$rec" --dump-state "$E2E_TMP/end.json" \
    >"$E2E_TMP/out.txt" 2>"$E2E_TMP/err.txt" &
GAME_PID=$!
frames_done() { recorded_frames "$rec"; }
at_least() { [ "$(frames_done)" -ge "$1" ]; }
settle() {
    local n
    n=$(frames_done)
    wait_for 30 at_least $((n + 3)) || fail "the game stopped running: $(cat "$E2E_TMP/err.txt")"
}
wait_for 30 at_least 3 || fail "the title screen ran no frames: $(cat "$E2E_TMP/err.txt")"
wait_for 30 find_main_window || fail "no main window"
wid=$(find_main_window)
xdotool windowfocus --sync "$wid" || true
settle
xdotool key 2
settle
xdotool mousemove --window "$wid" 797 36 click 1
xdotool key 1
# The loading window (the only other window on this display) shown after the key was sent:
# the key came before the game began.
pressed_while_loading=""
for _ in $(seq 100); do
    if xdotool search --onlyvisible --name '.' 2>/dev/null | grep -qvx "$wid"; then
        pressed_while_loading=1
        break
    fi
    grep -q '^click start$' "$(live_recording "$rec")" && break
    sleep 0.01
done
clicked() { grep -q '^click start$' "$(live_recording "$rec")"; }
wait_for 120 clicked || fail "\"Старт\" was not clicked: $(cat "$E2E_TMP/err.txt")"
settle
# Keys 1 and 2 are the game's codes 2 and 3: no frame may have read them.
read_key() { grep -E "^f .* k( [0-9=]+)* $1(=[0-9]+)?( |\$)" "$(live_recording "$rec")"; }
read_key 3 >/dev/null &&
    fail "a frame after \"Старт\" read the \"2\" pressed on the title screen: $(read_key 3 | head -n1)"
if [ -n "$pressed_while_loading" ]; then
    read_key 2 >/dev/null &&
        fail "a frame after \"Старт\" read the \"1\" pressed while the start-up ran: $(read_key 2 | head -n1)"
else
    echo "note: the start-up was over before \"1\" was pressed; that part is not checked"
fi

xdotool key p
sleep 0.5
paused_at=$(frames_done)
xdotool key Escape
wait_exit "$GAME_PID" 5
[ "$EXIT_RC" = "0" ] || fail "Escape in the pause: exit status $EXIT_RC, not 0 at once: $(cat "$E2E_TMP/err.txt")"
[ "$(frames_done)" = "$paused_at" ] || fail "frames ran after Escape in the pause ($paused_at, then $(frames_done))"
weapon=$(grep -o '"turret":{[^}]*}' "$E2E_TMP/end.json" | sed -nE 's/.*"weapon":([0-9]+).*/\1/p')
[ "$weapon" = "1" ] || fail "weapon ${weapon:-?} at the end: the \"2\" pressed on the title screen chose it"

played=$(sed -nE 's/.*state_hash ([0-9a-f]+).*/\1/p' "$E2E_TMP/out.txt")
"$exe" --replay "$rec" >"$E2E_TMP/replay.txt" 2>&1 || fail "replay: $(cat "$E2E_TMP/replay.txt")"
replayed=$(sed -nE 's/.*state_hash ([0-9a-f]+).*/\1/p' "$E2E_TMP/replay.txt")
if [ -z "$played" ] || [ "$played" != "$replayed" ]; then fail "played state $played, replayed $replayed"; fi
echo "ok: Escape quit the title screen and the pause at once (paused at frame $paused_at), weapon $weapon, replayed $played"
