#!/usr/bin/env bash
# Soak run: the game headless under Xvfb with a fixed frame time and ten extra waves, its
# resident memory sampled every few seconds. Fails when the memory still grows over the last
# half of the run (more than 2 % from the middle sample to the last, once the pools have
# filled), when the game fails, or when a sanitizer reports anything.
#
#   scripts/soak.sh GAME_DIR [FRAMES]      (default 20000 frames; SOAK_WAVES=N, SOAK_SAMPLE_S=N)
#   SOAK_SECONDS=N: run for N seconds of wall time instead of a number of frames (the game is
#   asked to close, as a desktop session would, and prints its figures for the frames it ran)
set -euo pipefail
game=${1:?usage: scripts/soak.sh GAME_DIR [FRAMES]}
frames=${2:-20000}
seconds=${SOAK_SECONDS:-}
[ -z "$seconds" ] || frames=100000000
waves=${SOAK_WAVES:-10}
every=${SOAK_SAMPLE_S:-5}
work=$(mktemp -d /tmp/terravik-soak.XXXXXX)
trap 'kill "${XVFB_PID:-}" "${pid:-}" 2>/dev/null || true; rm -rf "$work"' EXIT

source "$(dirname "$0")/xvfb.sh"
start_xvfb "$work" 1024x768 || exit 1
export ALSOFT_DRIVERS=null XDG_CONFIG_HOME="$work/config"

"$game/bin/terravik" --windowed 800x600 --autostart --frame-ms 16 --waves "$waves" --frames "$frames" \
    >"$work/out.txt" 2>"$work/err.txt" &
pid=$!
start=$SECONDS
if [ -n "$seconds" ]; then
    (sleep "$seconds"; kill -TERM "$pid" 2>/dev/null || true) &
fi
: >"$work/rss.txt"
while kill -0 "$pid" 2>/dev/null; do
    rss=$(awk '/^VmRSS:/ {print $2}' "/proc/$pid/status" 2>/dev/null || true)
    [ -n "$rss" ] && echo "$((SECONDS - start)) $rss" >>"$work/rss.txt"
    sleep "$every"
done
status=0
wait "$pid" || status=$?
cat "$work/out.txt"
samples=$(wc -l <"$work/rss.txt")
echo "soak: up to $frames frames, $waves extra waves, $((SECONDS - start)) s, $samples RSS samples (s kB):"
awk 'NR == 1 || NR % 12 == 0 {printf "  %s\n", $0} END {printf "  %s (last)\n", $0}' "$work/rss.txt"
if grep -q -E 'ERROR: (Address|Leak)Sanitizer|runtime error:' "$work/err.txt"; then
    echo "soak: FAIL: a sanitizer reported an error" >&2; grep -m5 -E 'Sanitizer|runtime error' "$work/err.txt" >&2; exit 1
fi
[ "$status" -eq 0 ] || { echo "soak: FAIL: the game exited with $status" >&2; tail -5 "$work/err.txt" >&2; exit 1; }
[ "$samples" -ge 4 ] || { echo "soak: FAIL: too few samples for a verdict (run more frames)" >&2; exit 1; }
mid=$(awk -v n="$samples" 'NR == int(n / 2) {print $2}' "$work/rss.txt")
last=$(tail -n1 "$work/rss.txt" | awk '{print $2}')
growth=$(awk -v a="$mid" -v b="$last" 'BEGIN {printf "%.2f", (b - a) * 100 / a}')
echo "soak: RSS middle ${mid} kB, last ${last} kB, growth over the last half ${growth} %"
awk -v g="$growth" 'BEGIN {exit !(g > 2.0)}' && { echo "soak: FAIL: memory still grows" >&2; exit 1; }
echo "soak: passed"
