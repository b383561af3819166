#!/usr/bin/env bash
# The settings file as a player uses it: --write-config writes the defaults once, an edited
# file sets the window, bad lines only warn (file and line on stderr) and the game still
# runs, and --windowed beats the file (within the file's size limits).
game=$(cd "$1" && pwd)
source "$(dirname "$0")/lib.sh"

export XDG_CONFIG_HOME="$E2E_TMP/config"
cfg="$XDG_CONFIG_HOME/terravik/settings.ini"
"$game/bin/terravik" --write-config >"$E2E_TMP/out.txt" 2>&1 || fail "--write-config: $(cat "$E2E_TMP/out.txt")"
grep -qF "$cfg" "$E2E_TMP/out.txt" || fail "--write-config does not say where: $(cat "$E2E_TMP/out.txt")"
grep -qx 'width = 1280' "$cfg" || fail "the written file lacks the default width"
cp "$cfg" "$E2E_TMP/first.ini"
"$game/bin/terravik" --write-config >/dev/null 2>&1 && fail "--write-config replaced an existing file"
cmp -s "$cfg" "$E2E_TMP/first.ini" || fail "--write-config changed an existing file"

# A windowed 800x600 game (comments after the values, as the README shows them), two lines
# it cannot use and a key two actions name.
sed -i -e 's/^fullscreen = true$/fullscreen = false   # a window/' -e 's/^width = 1280$/width = 800 ; pixels/' \
    -e 's/^height = 800$/height = 600/' -e 's/^\[video\]$/[video]   # the window/' "$cfg"
bad1=$(($(wc -l <"$cfg") + 2))
printf '[keys]\nvolume = 11\npause = NoSuchKey\nlaser = 1   # the cannon'"'"'s key\n' >>"$cfg"

start_xvfb
run() {  # run SCREENSHOT ARGS...: a short run; fails on a non-zero exit
    local shot=$1
    shift
    set +e
    timeout 120 "$game/bin/terravik" --frames 20 --screenshot "$shot" "$@" >"$E2E_TMP/out.txt" 2>"$E2E_TMP/err.txt"
    local rc=$?
    set -e
    [ "$rc" = "0" ] || fail "exit status $rc with $*; stderr: $(cat "$E2E_TMP/err.txt")"
}
run "$E2E_TMP/file.png"
[ "$(identify -format '%w %h' "$E2E_TMP/file.png")" = "800 600" ] || fail "the file's window size was not used"
grep -qE "^terravik: $cfg:$bad1: .*volume" "$E2E_TMP/err.txt" ||
    fail "no warning for line $bad1: $(cat "$E2E_TMP/err.txt")"
grep -qE "^terravik: $cfg:$((bad1 + 1)): .*pause.*NoSuchKey" "$E2E_TMP/err.txt" ||
    fail "no warning for the unknown key name: $(cat "$E2E_TMP/err.txt")"
grep -qE "^terravik: $cfg:$((bad1 + 2)): .*\"1\".*cannon.*laser" "$E2E_TMP/err.txt" ||
    fail "no warning for the key named twice: $(cat "$E2E_TMP/err.txt")"
[ "$(grep -c "$cfg" "$E2E_TMP/err.txt")" = "3" ] || fail "not one warning per bad line: $(cat "$E2E_TMP/err.txt")"

set +e
"$game/bin/terravik" --windowed 320x200 >"$E2E_TMP/out.txt" 2>&1
rc=$?
set -e
if [ "$rc" != "2" ] || ! grep -q "^terravik: --windowed .*640x480" "$E2E_TMP/out.txt"; then
    fail "--windowed 320x200: exit $rc, $(head -1 "$E2E_TMP/out.txt")"
fi
run "$E2E_TMP/cli.png" --windowed 640x480
[ "$(identify -format '%w %h' "$E2E_TMP/cli.png")" = "640 480" ] || fail "--windowed did not beat the file"

# A --config file that is missing warns and plays on defaults (here windowed by the option).
run "$E2E_TMP/missing.png" --config "$E2E_TMP/none.ini" --windowed 640x480
grep -qF "$E2E_TMP/none.ini" "$E2E_TMP/err.txt" || fail "no warning for the missing --config file"
# A key two actions name does one of them in the game: with pause = 1, 1 still chooses the
# cannon and does not pause; P, pause's default again, pauses.
printf '[keys]\npause = 1\n' >"$E2E_TMP/clash.ini"
rec="$E2E_TMP/clash.rec"
"$game/bin/terravik" --windowed 800x600 --autostart --frame-ms 1 --frames 100000 --config "$E2E_TMP/clash.ini" \
    --record "$rec" --dump-state "$E2E_TMP/clash.json" >"$E2E_TMP/out.txt" 2>"$E2E_TMP/err.txt" &
GAME_PID=$!
frames_done() { recorded_frames "$rec"; }
at_least() { [ "$(frames_done)" -ge "$1" ]; }
settle() { wait_for 30 at_least $(($(frames_done) + 3)) || fail "the game stopped running: $(cat "$E2E_TMP/err.txt")"; }
wait_for 120 at_least 3 || fail "the game did not start: $(cat "$E2E_TMP/err.txt")"
wait_for 60 find_main_window || fail "no main window"
xdotool windowfocus --sync "$(find_main_window)" || true
settle
for k in 2 1; do
    xdotool key "$k"
    settle
done
grep -q "^terravik: paused" "$E2E_TMP/err.txt" && fail "1 paused the game though the cannon keeps it"
xdotool key p
wait_for 20 grep -q "^terravik: paused" "$E2E_TMP/err.txt" || fail "P did not pause: $(cat "$E2E_TMP/err.txt")"
xdotool key p
settle
xdotool key Escape
wait_exit "$GAME_PID" 60
[ "$EXIT_RC" = "0" ] || fail "exit status $EXIT_RC: $(cat "$E2E_TMP/err.txt")"
grep -q '"weapon":1[,}]' "$E2E_TMP/clash.json" || fail "1 did not choose the cannon: $(grep -o '"turret":{[^}]*}' "$E2E_TMP/clash.json")"
echo "settings: OK"
