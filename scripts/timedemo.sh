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
trap 'kill "${XVFB_PID:-}" 2>/dev/null || true; rm -rf "$work"' EXIT

source "$(dirname "$0")/xvfb.sh"
start_xvfb "$work" 1280x800 || exit 1
export ALSOFT_DRIVERS=null XDG_CONFIG_HOME="$work/config"

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
    grep -E '^(yardstick|[0-9]+ frames in|video|smoke particles)' "$work/$name.txt" | sed 's/^/  /'
    sed -nE 's/^[0-9]+ frames in .* p99 ([0-9.]+) ms.*/\1/p' "$work/$name.txt" >"$work/$name.p99"
    [ -s "$work/$name.p99" ] || { echo "timedemo: no frame report from the $name run" >&2; exit 1; }
}
run "one wave" 0
run "$waves extra waves" "$waves"
awk -v a="$(cat "$work/one wave.p99")" -v b="$(cat "$work/$waves extra waves.p99")" \
    'BEGIN {printf "timedemo: p99 with the extra waves is %.2fx the one-wave p99\n", b / a}'
