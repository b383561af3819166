#!/usr/bin/env bash
# Playing with a captured pointer, in one recorded run with every key moved by the settings
# file: with sensitivity 1.5 and invert-Y the pointer's counts turn the turret by 1.5 x 0.2
# degrees each and moving down raises the barrel; the free-pointer key (BackSpace) frees the
# pointer, which then reaches "Еще 50" and clicks it without turning the view; M adds another
# 50; L chooses the laser while the old 1 and 2 do nothing; O pauses (no frame runs, two
# screenshots a second apart are the same, the music holds, "Пауза" is shown) and O goes on; F9 writes a PNG
# into the pictures folder; F10 toggles full screen; Escape no longer quits and Q does. The
# recording then replays to the same state with the player's own settings at their defaults.
game=$(cd "$1" && pwd)
source "$(dirname "$0")/lib.sh"

start_xvfb 1280x1024  # larger than the window, so full screen shows
exe="$game/bin/terravik"
export XDG_PICTURES_DIR="$E2E_TMP/pictures"
mkdir -p "$XDG_PICTURES_DIR"
printf '[input]\nmouse_sensitivity = 1.5\ninvert_y = true\n[keys]\ncannon = C\nlaser = L\nmore_aircraft = M
pause = O\nscreenshot = F9\nfullscreen = F10\nfree_pointer = Backspace\nquit = Q\n' >"$E2E_TMP/aim.ini"
printf '[input]\nmouse_sensitivity = 3\n' >"$E2E_TMP/other.ini"
run_args=(--windowed 1024x768 --autostart --frame-ms 1)

# How many aircraft the start-up's wave has.
"$exe" "${run_args[@]}" --frames 3 --dump-state "$E2E_TMP/start.json" >/dev/null 2>&1
count_aircraft() { grep -o '"position":' "$1" | wc -l; }
first_wave=$(count_aircraft "$E2E_TMP/start.json")
[ "$first_wave" -gt 0 ] || fail "no aircraft after the start: $(head -c 300 "$E2E_TMP/start.json")"

rec="$E2E_TMP/play.rec"
"$exe" "${run_args[@]}" --config "$E2E_TMP/aim.ini" --frames 100000 --record "$rec" \
    --dump-state "$E2E_TMP/end.json" >"$E2E_TMP/out.txt" 2>"$E2E_TMP/err.txt" &
GAME_PID=$!
frames_done() { recorded_frames "$rec"; }
at_least() { [ "$(frames_done)" -ge "$1" ]; }
wait_for 120 at_least 3 || fail "the game did not start: $(cat "$E2E_TMP/err.txt")"
wait_for 60 find_main_window || fail "no main window"
wid=$(find_main_window)
xdotool windowfocus --sync "$wid" || true
# Lets the game take in what was sent: a few frames run after it.
settle() {
    local n
    n=$(frames_done)
    wait_for 30 at_least $((n + 3)) || fail "the game stopped running"
}
settle

# Captured: five moves of 10 counts right and 4 down.
for _ in 1 2 3 4 5; do
    xdotool mousemove_relative -- 10 4
    sleep 0.05
done
settle
# Free the pointer and click "Еще 50" (760,56 75x25): the long way there must not turn the view.
xdotool key BackSpace
settle
xdotool mousemove --window "$wid" 797 68 click 1
settle
xdotool key BackSpace
settle
xdotool key m
settle
# The laser by its new key; the keys the weapons had by default choose nothing.
for k in 2 l 1; do
    xdotool key "$k"
    settle
done

# Pause: no frame runs and the picture holds, with "Пауза" in the middle, over the scene
# the game showed (not a black screen: this X server keeps no front buffer).
import -window "$wid" "$E2E_TMP/before-pause.png"
xdotool key o
sleep 0.5
paused_at=$(frames_done)
import -window "$wid" "$E2E_TMP/pause-1.png"
sleep 1
import -window "$wid" "$E2E_TMP/pause-2.png"
[ "$(frames_done)" = "$paused_at" ] || fail "frames ran while paused ($paused_at, then $(frames_done))"
[ "$(differing_pixels "$E2E_TMP/pause-1.png" "$E2E_TMP/pause-2.png")" = "0" ] ||
    fail "the paused picture changed within a second"
green=$(count_pixels "$E2E_TMP/pause-1.png" 120x40+452+364 'g > 200 && r < 100 && b < 100')
[ "$green" -gt 100 ] || fail "no \"Пауза\" in the middle of the paused picture ($green green pixels)"
behind=$(coarse_difference "$E2E_TMP/before-pause.png" "$E2E_TMP/pause-1.png")
awk -v d="$behind" 'BEGIN { exit !(d < 0.08) }' || fail "the paused picture is not the game's scene (coarse difference $behind)"
xdotool key o
wait_for 30 at_least $((paused_at + 5)) || fail "the game did not go on after the pause"

xdotool key F9
wait_for 20 grep -q 'screenshot .*terravik-[0-9]\{8\}-[0-9]\{6\}\.png' "$E2E_TMP/err.txt" ||
    fail "F9 named no screenshot: $(cat "$E2E_TMP/err.txt")"
shot=$(sed -nE 's/.*screenshot (.*)$/\1/p' "$E2E_TMP/err.txt" | head -n1)
[ "$(dirname "$shot")" = "$XDG_PICTURES_DIR" ] || fail "the screenshot went to $shot"
[ "$(identify -format '%m %w %h' "$shot")" = "PNG 1024 768" ] || fail "$shot is not a 1024x768 PNG"

window_size() { xdotool getwindowgeometry --shell "$wid" | awk -F= '/^WIDTH/{w=$2} /^HEIGHT/{h=$2} END{print w "x" h}'; }
size_is() { [ "$(window_size)" = "$1" ]; }
xdotool key F10
wait_for 10 size_is 1280x1024 || fail "F10 left the window at $(window_size)"
xdotool key F10
wait_for 10 size_is 1024x768 || fail "F10 again left the window at $(window_size)"
xdotool windowfocus --sync "$wid" || true

# Escape is no longer the quit key: the game goes on; Q quits.
xdotool key Escape
settle
xdotool key q
wait_exit "$GAME_PID" 60
[ "$EXIT_RC" = "0" ] || fail "exit status $EXIT_RC: $(cat "$E2E_TMP/err.txt")"

turret=$(grep -o '"turret":{[^}]*}' "$E2E_TMP/end.json")
field() { echo "$2" | sed -nE "s/.*\"$1\":(-?[0-9.e+-]+).*/\\1/p"; }
yaw=$(field yaw "$turret")
pitch=$(field pitch "$turret")
# Each move of 10 right and 4 down turns yaw by -3 and pitch by -1.2 degrees; every one counts,
# the first too (it must not be taken for the capture's own re-centring).
moves=$(awk -v y="$yaw" -v p="$pitch" 'BEGIN { k = (360 - y) / 3; r = int(k + 0.5)
    if ((k - r) ^ 2 < 0.001 && (p + 1.2 * r) ^ 2 < 0.001) print r }')
weapon=$(field weapon "$turret")
[ "$weapon" = "2" ] || fail "weapon $weapon at the end: L should have chosen the laser and 1 changed nothing"
[ "$moves" = "5" ] ||
    fail "the turret is at yaw $yaw, pitch $pitch: not 5 moves of 10 and 4 counts at 1.5 x 0.2 degrees, pitch inverted"
kills=$(field kills "$(head -c 200 "$E2E_TMP/end.json")")
planes=$(count_aircraft "$E2E_TMP/end.json")
[ $((planes + kills)) -ge $((first_wave + 100)) ] ||
    fail "$planes aircraft and $kills kills after \"Еще 50\" and M; the first wave had $first_wave"

# The music held still while paused: the pause's two lines name the same play position, and it
# had moved on from the start.
held=$(sed -nE 's/^terravik: paused; music at byte ([0-9]+)$/\1/p' "$E2E_TMP/err.txt")
went_on=$(sed -nE 's/^terravik: going on; music at byte ([0-9]+)$/\1/p' "$E2E_TMP/err.txt")
[ -n "$held" ] && [ "$held" -gt 0 ] && [ "$held" = "$went_on" ] ||
    fail "the music moved while paused (paused at byte ${held:-?}, went on at ${went_on:-?})"

# The recording alone gives the same end, whatever the replaying player's settings say.
played=$(sed -nE 's/.*state_hash ([0-9a-f]+).*/\1/p' "$E2E_TMP/out.txt")
"$exe" --replay "$rec" --config "$E2E_TMP/other.ini" >"$E2E_TMP/replay.txt" 2>&1 || fail "replay: $(cat "$E2E_TMP/replay.txt")"
replayed=$(sed -nE 's/.*state_hash ([0-9a-f]+).*/\1/p' "$E2E_TMP/replay.txt")
[ -n "$played" ] && [ "$played" = "$replayed" ] || fail "played state $played, replayed $replayed"
echo "ok: yaw $yaw pitch $pitch ($moves moves), $planes aircraft + $kills kills from $first_wave, paused at frame $paused_at (music held at byte $held), $shot"
