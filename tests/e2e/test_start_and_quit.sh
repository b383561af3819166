#!/usr/bin/env bash
# The game as a player meets it: the window opens with "Старт", a click runs the start-up,
# the log holds its lines, the caption counts frames, the mouse turns the view towards the
# axes, and Escape ends the program cleanly.
game=$(cd "$1" && pwd)
source "$(dirname "$0")/lib.sh"

start_xvfb
log="$game/Log_File.txt"
rm -rf "$log"

"$game/bin/terravik" --dump-state "$E2E_TMP/end.json" >"$E2E_TMP/out.txt" 2>&1 &
GAME_PID=$!
wait_for 30 find_main_window || fail "no main window; output: $(cat "$E2E_TMP/out.txt")"
wid=$(find_main_window)
sleep 0.5
[ ! -e "$log" ] || fail "the log exists before the start button was pressed"

import -window root "$E2E_TMP/before.png"
# Only the start button is drawn, at its place, with a dark caption on it.
button_shown "$E2E_TMP/before.png" 75x25+760+24 || fail "no start button"
[ "$(count_pixels "$E2E_TMP/before.png" 75x25+760+24 'r<100 && g<100 && b<100')" -gt 10 ] ||
    fail "no caption drawn on the start button"
button_shown "$E2E_TMP/before.png" 75x25+760+56 && fail "\"Еще 50\" is shown before the start"

xdotool windowfocus --sync "$wid" || true
xdotool mousemove --window "$wid" 797 36 click 1
wait_for 60 file_closed_by "$GAME_PID" "$log" || fail "the log was not written and closed"

# Every line: the 23-character time field, "--", the message, CR LF.
lines=$(wc -l <"$log")
[ "$(grep -c $'\r$' "$log")" -eq "$lines" ] || fail "a log line does not end in CR LF"
LC_ALL=C grep -qvE $'^[ -][0-9]\\.[0-9]{14}E[+-][0-9]{4}--.*\r$' "$log" && fail "a log line has a bad time field"

# The messages, in Windows-1251, must be the start-up's fifteen lines in their order, each
# step reporting either success or failure.
mapfile -t got < <(LC_ALL=C cut -c26- "$log" | tr -d '\r')
expected=(
    "иницилизация opengl ОК|иницилизация opengl False"
    "Поддержка VBO ОК|Поддержка VBO False -*- автоматическией переход на glDrawArrays"
    "иницилизация Клавиатуры ОК|иницилизация Клавиатуры False"
    "иницилизация Мыши ОК|иницилизация Мыши False"
    "иницилизация Davil ОК|иницилизация Davil False"
    "Ландщафт создан ОК|Ландщафт создан False"
    "ODE иницилизирован ОК|ODE иницилизирован False"
    "Солнечные блики иницилизированы ОК|Солнечные блики иницилизированы False"
    "Движок ogg иницилизирован ОК|Движок ogg иницилизирован False"
    "Load file ogg OK|Load file ogg False"
    "Движок звука иницилизирован ОК|Движок звука иницилизирован False"
    "Турель иницилизирована  ОК|Турель иницилизирована False"
    "Небо иницилизировано  ОК|Небо иницилизировано  False"
    "Система самолетов иницилизирована  ОК|Система самолетов иницилизирована  False"
    "Самолеты иницилизированы  ОК|Самолеты иницилизированы False"
)
required=${#expected[@]}
to1251() { printf '%s' "$1" | iconv -f UTF-8 -t CP1251; }
i=0
for line in "${got[@]}"; do
    matched=""
    while [ $i -lt ${#expected[@]} ]; do
        IFS='|' read -r ok bad <<<"${expected[$i]}"
        i=$((i + 1))
        if [ "$line" = "$(to1251 "$ok")" ] || [ "$line" = "$(to1251 "$bad")" ]; then
            matched=1
            break
        fi
        [ $i -le $required ] && fail "line $i missing or out of order; got: $(printf '%s' "$line" | iconv -f CP1251 -t UTF-8)"
    done
    [ -n "$matched" ] || fail "unexpected log line: $(printf '%s' "$line" | iconv -f CP1251 -t UTF-8)"
done
[ ${#got[@]} -eq $required ] || fail "${#got[@]} log lines instead of $required"
grep -q "$(to1251 "иницилизация opengl ОК")" "$log" || fail "OpenGL did not start under Xvfb"

sleep 1.2
name=$(xdotool getwindowname "$wid")
[[ "$name" =~ ^Terravik\.\ [0-9]+\ FPS$ ]] || fail "window name is \"$name\""

# A guarded step that failed (missing data, say) brings up the question; "Да" carries on.
# The steps that only report (VBO, keyboard, mouse, music file) never ask.
import -window root "$E2E_TMP/started.png"
failed=$(LC_ALL=C grep -v -e "$(to1251 "Поддержка VBO")" -e "$(to1251 "Клавиатуры")" -e "$(to1251 "Мыши")" \
    -e "Load file ogg" "$log" | LC_ALL=C grep -c " False" || true)
question=no
if [ "$failed" -gt 0 ]; then
    question=yes
    button_shown "$E2E_TMP/started.png" 273x25+264+136 || fail "a step failed but no question was asked"
    button_shown "$E2E_TMP/started.png" 75x25+312+168 || fail "no \"Да\" button"
    button_shown "$E2E_TMP/started.png" 75x25+392+168 || fail "no \"Нет\" button"
    xdotool mousemove --window "$wid" 349 180 click 1
    sleep 0.5
    xdotool mousemove --window "$wid" 600 400
    sleep 0.3
fi

# The game runs: "Еще 50" shown, "Старт" and the question gone, the scene drawn.
import -window root "$E2E_TMP/running.png"
button_shown "$E2E_TMP/running.png" 273x25+264+136 && fail "the start-up question is still shown"
button_shown "$E2E_TMP/running.png" 75x25+760+24 && fail "\"Старт\" is still shown"
button_shown "$E2E_TMP/running.png" 75x25+760+56 || fail "\"Еще 50\" is not shown"
[ "$(count_pixels "$E2E_TMP/running.png" 400x200+0+300 'r>=238 && r<=242 && g>=238 && g<=242 && b>=238 && b<=242')" -lt 1000 ] ||
    fail "the scene is not drawn (the window's face colour shows)"

# The mouse turns the view: 135 degrees to the left (675 mouse counts) faces the axes at the
# origin, south-west of the turret, and changes the picture. Straight down first: that would
# pitch below level, which the camera refuses.
xdotool mousemove_relative -- 0 348
sleep 0.3
import -window root "$E2E_TMP/facing-north.png"
for _ in $(seq 45); do
    xdotool mousemove_relative -- -15 0
    sleep 0.05
done
sleep 0.5
import -window root "$E2E_TMP/turned.png"
changed=$(differing_pixels "$E2E_TMP/facing-north.png" "$E2E_TMP/turned.png")
[ "$changed" -gt 500 ] || fail "the view did not turn with the mouse ($changed pixels changed)"

# A whole turn more (1800 counts) runs the pointer into the left edge several times; aiming
# must go on past it (checked on the state after the quit below).
for _ in $(seq 120); do
    xdotool mousemove_relative -- -15 0
    sleep 0.03
done
sleep 0.5

xdotool windowfocus --sync "$wid" || true
xdotool key Escape
wait_exit "$GAME_PID" 30
[ "$EXIT_RC" = "0" ] || fail "exit status $EXIT_RC after Escape; output: $(cat "$E2E_TMP/out.txt")"
# Every count arrived, the ones past the screen edge too: 165 moves of 15 counts to the left at
# 0.2 degrees each are 495 degrees, so the turret ends 135 degrees left of where it started.
# (Read from the state rather than the picture: an aircraft exploding by the turret can wash
# the whole screen out at the moment of a screenshot.)
yaw=$(grep -o '"turret":{[^}]*}' "$E2E_TMP/end.json" | sed -nE 's/.*"yaw":(-?[0-9.e+-]+).*/\1/p')
awk -v y="$yaw" 'BEGIN { d = y - 135; exit !(d * d < 1e-4) }' ||
    fail "turning stopped at the screen edge: the turret ends at yaw ${yaw:-?}, not 135 degrees"
back=$yaw
echo "ok: $lines log lines ($failed failed steps, question asked: $question), caption \"$name\", view difference $changed after turning, yaw $back after a full turn more"
