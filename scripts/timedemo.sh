#!/usr/bin/env bash
# Timedemo: the game under Xvfb at 1280x800 with a fixed frame time, once with the first wave
# only and once with TIMEDEMO_WAVES extra waves (default 20), each for TIMEDEMO_FRAMES counted
# frames (default 300). Prints each run's frame figures in ms and in full-screen layers, then
# how the crowded run's p99 frame compares with the one-wave run's.
#
#   scripts/timedemo.sh GAME_DIR
set -euo pipefail
game=${1:?usage: scripts/timedemo.sh GAME_DIR}
frames=${TIMEDEMO_FRAMES:-300}
waves=${TIMEDEMO_WAVES:-20}
work=$(mktemp -d /tmp/terravik-timedemo.XXXXXX)
trap 'kill "${xvfb:-}" 2>/dev/null || true; rm -rf "$work"' EXIT

Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb=$!
for _ in $(seq 100); do n=$(head -n1 "$work/display" 2>/dev/null || true); [ -n "$n" ] && break; sleep 0.1; done
[ -n "${n:-}" ] || { echo "timedemo: Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$n" ALSOFT_DRIVERS=null XDG_CONFIG_HOME="$work/config"
unset SDL_VIDEODRIVER

run() {  # run NAME EXTRA_WAVES: prints the run's report, keeps its p99 in ms in $work/NAME.p99
    local name=$1 extra=$2 status=0
    "$game/bin/terravik" --windowed 1280x800 --autostart --frame-ms 16 --frames "$frames" --waves "$extra" \
        >"$work/$name.txt" 2>"$work/$name.err" || status=$?
    if [ "$status" -ne 0 ]; then
        echo "timedemo: the $name run failed with status $status:" >&2
        tail -5 "$work/$name.err" >&2
        exit 1
    fi
    echo "timedemo, $name:"
    grep -E '^(yardstick|[0-9]+ frames in|smoke particles)' "$work/$name.txt" | sed 's/^/  /'
    sed -nE 's/^[0-9]+ frames in .* p99 ([0-9.]+) ms.*/\1/p' "$work/$name.txt" >"$work/$name.p99"
    [ -s "$work/$name.p99" ] || { echo "timedemo: no frame report from the $name run" >&2; exit 1; }
}
run "one wave" 0
run "$waves extra waves" "$waves"
awk -v a="$(cat "$work/one wave.p99")" -v b="$(cat "$work/$waves extra waves.p99")" \
    'BEGIN {printf "timedemo: p99 with the extra waves is %.2fx the one-wave p99\n", b / a}'
