#!/usr/bin/env bash
# Window modes as a player meets them: a 640x480 window still shows "Старт" inside it and
# starts the game; F11 makes it full screen and back, Alt+Enter does the same; buttons follow.
# The window tells the window manager what a dock needs (the desktop entry's class, the
# game's icon) and how small it may go.
game=$(cd "$1" && pwd)
desktop="$(dirname "$0")/../../dist/org.terravik.Terravik.desktop"
source "$(dirname "$0")/lib.sh"

start_xvfb
"$game/bin/terravik" --windowed 640x480 >"$E2E_TMP/out.txt" 2>&1 &
GAME_PID=$!
wait_for 30 find_main_window || fail "no main window; output: $(cat "$E2E_TMP/out.txt")"
wid=$(find_main_window)

window_size() { xdotool getwindowgeometry --shell "$wid" | awk -F= '/^WIDTH/{w=$2} /^HEIGHT/{h=$2} END{print w "x" h}'; }
size_is() { [ "$(window_size)" = "$1" ]; }
shot() { import -window "$wid" "$E2E_TMP/$1.png"; }
shows() {  # shows NAME RECT: a fresh picture of the window has that button drawn
    shot "$1" && button_shown "$E2E_TMP/$1.png" "$2"
}

wait_for 10 size_is 640x480 || fail "the window is $(window_size), not 640x480"

# WM_CLASS is the desktop entry's StartupWMClass, so docks put the window under its launcher.
startup_class=$(sed -n 's/^StartupWMClass=//p' "$desktop")
[ -n "$startup_class" ] || fail "the desktop entry has no StartupWMClass"
wm_class=$(xprop -id "$wid" WM_CLASS | sed -nE 's/.*= "([^"]*)", "([^"]*)"$/\2/p')
[ "$wm_class" = "$startup_class" ] || fail "WM_CLASS is \"$wm_class\", the desktop entry says \"$startup_class\""
# The icon is the data's terravik.png: its size, and its middle pixel (ARGB) the same.
mapfile -t icon < <(xprop -id "$wid" -f _NET_WM_ICON 32c _NET_WM_ICON | sed 's/^[^=]*= *//' | tr -s ', ' '\n')
read -r iw ih < <(identify -format '%w %h\n' "$game/terravik.png")
[ "${icon[0]:-}" = "$iw" ] && [ "${icon[1]:-}" = "$ih" ] ||
    fail "_NET_WM_ICON is ${icon[0]:-none}x${icon[1]:-none}, the icon file ${iw}x${ih}"
read -r r g b < <(pixel "$game/terravik.png" $((iw / 2)) $((ih / 2)))
argb=${icon[$((2 + ih / 2 * iw + iw / 2))]}
[ $(((argb >> 16) & 255)) = "$r" ] && [ $(((argb >> 8) & 255)) = "$g" ] && [ $((argb & 255)) = "$b" ] ||
    fail "the window icon's middle pixel is $(printf '%08x' "$argb"), the file's is $r $g $b"
# The window manager keeps the window from shrinking below 640x480.
xprop -id "$wid" WM_NORMAL_HINTS | grep -q "program specified minimum size: 640 by 480" ||
    fail "no 640x480 minimum size: $(xprop -id "$wid" WM_NORMAL_HINTS)"
# "Старт" (75 wide, designed at x 760) moves left just enough to end at the window's edge.
wait_for 10 shows small-title 75x25+565+24 || fail "no \"Старт\" inside the 640x480 window"
xdotool windowfocus --sync "$wid" || true
xdotool mousemove --window "$wid" 602 36 click 1
wait_for 90 shows small-running 75x25+565+56 || fail "\"Еще 50\" did not appear after \"Старт\"; output: $(cat "$E2E_TMP/out.txt")"
button_shown "$E2E_TMP/small-running.png" 75x25+565+24 && fail "\"Старт\" is still shown"
# The scene fills the window (the grey clear colour or the sky, not the window's face).
[ "$(count_pixels "$E2E_TMP/small-running.png" 200x200+200+200 'r==240 && g==240 && b==240')" -lt 1000 ] ||
    fail "the game does not draw over the window"
# The HUD's five lines stay inside: the top one ("FPS =") at the top edge. The text adds full
# green to whatever is behind it.
hud_top=$(count_pixels "$E2E_TMP/small-running.png" 300x28+0+1 'g >= 250 && r < 200')
[ "$hud_top" -gt 20 ] || fail "no HUD line at the top of the 640x480 window ($hud_top green pixels)"

# F11: full screen is the desktop's size (Xvfb's 1024x768); the buttons go back to their places.
xdotool windowfocus --sync "$wid" || true
xdotool key F11
wait_for 10 size_is 1024x768 || fail "F11 left the window at $(window_size)"
wait_for 10 shows full 75x25+760+56 || fail "\"Еще 50\" is not at its place full screen"
# The 3D view follows: the bottom right corner is drawn by the game, not left empty.
[ "$(count_pixels "$E2E_TMP/full.png" 100x100+900+650 'r==240 && g==240 && b==240')" -lt 500 ] ||
    fail "the 3D view did not grow with the window"

# Alt+Enter goes back to the window the player had.
xdotool key alt+Return
wait_for 10 size_is 640x480 || fail "Alt+Enter left the window at $(window_size)"
wait_for 10 shows small-again 75x25+565+56 || fail "\"Еще 50\" is not inside the window again"

xdotool windowfocus --sync "$wid" || true
xdotool key Escape
wait_exit "$GAME_PID" 30
[ "$EXIT_RC" = "0" ] || fail "exit status $EXIT_RC; output: $(cat "$E2E_TMP/out.txt")"
echo "ok: 640x480 start, WM_CLASS $wm_class, a ${iw}x${ih} icon, F11 to 1024x768 and Alt+Enter back"
