#!/usr/bin/env bash
# A player shoots an aircraft down with the laser: the test learns where the aircraft fly from
# --dump-state of two short runs of the same start, then plays the game under Xvfb, turning the
# turret with the pointer towards one of them and holding the button with the laser chosen,
# until the HUD's kill count changes. The final state must count the kill, and "Kill =" on the
# last frame must show that number.
# The game runs with --frame-ms 1 so the aircraft move slowly next to the test's hand; the frame
# it is at is read from the recording it writes as it goes.
game=$(cd "$1" && pwd)
source "$(dirname "$0")/lib.sh"

start_xvfb
exe="$game/bin/terravik"
run_args=(--windowed 1024x768 --autostart --frame-ms 1)
dumps=()
for n in 20 30; do
    "$exe" "${run_args[@]}" --frames $n --dump-state "$E2E_TMP/d$n.json" >/dev/null 2>&1 &
    dumps+=($!)
done
wait "${dumps[@]}"

# "index x y z" of each aircraft in a dump.
positions() {
    grep -o '"position":\[[^]]*\]' "$1" | sed -E 's/"position":\[([^,]+),([^,]+),([^]]+)\]/\1 \2 \3/' |
        awk '{ print NR - 1, $0 }'
}
kinds() { grep -o '"kind":[0-9]' "$1" | cut -d: -f2; }
# The target: a kind 1-3 aircraft (3 hit points) whose straight path keeps it 40 to 380 units
# out and 8 to 70 degrees up over the frames the laser needs.
target=$(paste <(kinds "$E2E_TMP/d30.json") <(positions "$E2E_TMP/d20.json") <(positions "$E2E_TMP/d30.json") | awk '
    function ok(f,   x, y, z, m, el) {
        x = bx + vx * (f - 30); y = by + vy * (f - 30); z = bz + vz * (f - 30)
        m = sqrt((x - 500) ^ 2 + (y - 500) ^ 2); el = atan2(z - 5, m) * 57.29578
        return m > 40 && m < 380 && el > 8 && el < 70 && z > 60
    }
    $1 <= 3 {
        bx = $7; by = $8; bz = $9; vx = ($7 - $3) / 10; vy = ($8 - $4) / 10; vz = ($9 - $5) / 10
        if (ok(40) && ok(400)) {
            d = sqrt((bx - 500) ^ 2 + (by - 500) ^ 2 + (bz - 5) ^ 2)
            if (best == "" || d < bestd) { best = bx " " by " " bz " " vx " " vy " " vz; bestd = d }
        }
    }
    END { print best }')
[ -n "$target" ] || fail "no aircraft to aim at in $(cat "$E2E_TMP/d30.json" | head -c 300)"

rec="$E2E_TMP/play.rec"
"$exe" "${run_args[@]}" --record "$rec" --dump-state "$E2E_TMP/end.json" --screenshot "$E2E_TMP/end.png" \
    >"$E2E_TMP/out.txt" 2>&1 &
GAME_PID=$!
frames_done() { recorded_frames "$rec"; }
started() { [ "$(frames_done)" -ge 3 ]; }
wait_for 120 started || fail "the game did not start: $(cat "$E2E_TMP/out.txt")"
wait_for 60 find_main_window || fail "no main window"
wid=$(find_main_window)
xdotool windowfocus --sync "$wid" || true

# Mouse counts sent so far; the turret starts at yaw 0, pitch 0 and turns 0.2 degrees a count.
cx=0
cy=0
aim() {  # turns towards where the target is a few frames on
    local n step
    n=$(($(frames_done) + 3))
    read -r mx my < <(echo "$target $n $cx $cy" | awk '{
        f = $7 - 30; x = $1 + $4 * f - 500; y = $2 + $5 * f - 500; z = $3 + $6 * f - 5
        yaw = atan2(-x, y) * 57.29578; pitch = -atan2(z, sqrt(x * x + y * y)) * 57.29578
        cur = -0.2 * $8; d = yaw - cur; d -= 360 * int(d / 360); if (d > 180) d -= 360; if (d < -180) d += 360
        printf "%d %d\n", -d / 0.2 + (d > 0 ? -0.5 : 0.5), pitch / 0.2 + (pitch > 0 ? 0.5 : -0.5) - $9 }')
    while [ "$mx" -ne 0 ] || [ "$my" -ne 0 ]; do
        local sx=$((mx > 15 ? 15 : (mx < -15 ? -15 : mx))) sy=$((my > 15 ? 15 : (my < -15 ? -15 : my)))
        xdotool mousemove_relative -- "$sx" "$sy"
        cx=$((cx + sx)); cy=$((cy + sy)); mx=$((mx - sx)); my=$((my - sy))
        sleep 0.03
    done
}
# The first digit of "Kill =" on the HUD: glyph 7 of the second line.
kill_cell() { import -window "$wid" -crop 15x30+105+30 +repage "$1"; }

xdotool key 2
while [ "$(frames_done)" -lt 40 ]; do aim; sleep 0.1; done
kill_cell "$E2E_TMP/kill-before.png"
xdotool mousedown 1
rose=""
while [ "$(frames_done)" -lt 900 ]; do
    aim
    kill_cell "$E2E_TMP/kill-now.png"
    if [ "$(differing_pixels "$E2E_TMP/kill-before.png" "$E2E_TMP/kill-now.png")" -gt 20 ]; then
        rose=$(frames_done)
        break
    fi
done
xdotool mouseup 1
[ -n "$rose" ] || fail "the HUD's kill count did not change in $(frames_done) frames"
xdotool key Escape
wait_exit "$GAME_PID" 60
[ "$EXIT_RC" = "0" ] || fail "exit status $EXIT_RC: $(cat "$E2E_TMP/out.txt")"

kills=$(sed -nE 's/.*"kills":([0-9]+),.*/\1/p' "$E2E_TMP/end.json")
[ "${kills:-0}" -ge 1 ] || fail "the HUD changed at frame $rose but the state counts $kills kills"
shells=$(sed -nE 's/.*"shells":([0-9]+),.*/\1/p' "$E2E_TMP/end.json")

# "Kill =" shows the count: each of its digits matches, glyph for glyph, the same digit printed
# on the shells line (whose number the state also gives), and no other digit there better.
glyph() {  # glyph IMAGE COLUMN ROW: the bright-green mask of one 15 x 30 glyph cell
    convert "$1" -crop "15x30+$2+$3" +repage -depth 8 txt:- | tail -n +2 |
        sed -E 's/.*\(([0-9]+),([0-9]+),([0-9]+).*/\1 \2 \3/' | awk '{ printf "%d", ($2 >= 240 && $1 < 160) }'
}
mask_distance() { awk -v a="$1" -v b="$2" 'BEGIN { for (i = 1; i <= length(a); i++) n += substr(a, i, 1) != substr(b, i, 1); print n }'; }
declare -A shell_glyph
for ((i = 0; i < ${#shells}; i++)); do
    shell_glyph[$i]=$(glyph "$E2E_TMP/end.png" $((165 + 15 * i)) 120)
done
for ((k = 0; k < ${#kills}; k++)); do
    digit=${kills:$k:1}
    got=$(glyph "$E2E_TMP/end.png" $((105 + 15 * k)) 30)
    same="" other=""
    for ((i = 0; i < ${#shells}; i++)); do
        dist=$(mask_distance "$got" "${shell_glyph[$i]}")
        if [ "${shells:$i:1}" = "$digit" ]; then
            [ -z "$same" ] || [ "$dist" -lt "$same" ] && same=$dist
        else
            [ -z "$other" ] || [ "$dist" -lt "$other" ] && other=$dist
        fi
    done
    [ -n "$same" ] || fail "cannot read digit $digit of $kills: the shells line ($shells) does not print it"
    [ -z "$other" ] || [ "$same" -lt "$other" ] ||
        fail "\"Kill =\" digit $((k + 1)) does not look like $digit (distance $same, another digit $other)"
done
echo "ok: kills $kills at frame $rose; the HUD agrees (shells $shells)"
