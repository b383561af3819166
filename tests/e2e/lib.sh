# Shared helpers for the end-to-end tests: a private Xvfb, waiting, pixels and the log.
# Sourced by tests/e2e/test_*.sh; never run on its own.

set -euo pipefail

E2E_TMP=$(mktemp -d /tmp/terravik-e2e.XXXXXX)
# The window a plain run remembers goes here, not into the tester's home.
export XDG_STATE_HOME="$E2E_TMP/state"
XVFB_PID=""
GAME_PID=""

e2e_cleanup() {
    if [ -n "$GAME_PID" ] && kill -0 "$GAME_PID" 2>/dev/null; then kill "$GAME_PID" 2>/dev/null || true; fi
    if [ -n "$XVFB_PID" ]; then kill "$XVFB_PID" 2>/dev/null || true; fi
    if [ -z "${E2E_KEEP:-}" ]; then rm -rf "$E2E_TMP"; else echo "kept $E2E_TMP"; fi
}
trap e2e_cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# For a test the machine cannot run (ctest counts exit status 77 as skipped, not passed).
skip() {
    echo "SKIP: $*" >&2
    exit 77
}

# Starts Xvfb on a free display (it picks the number itself) and exports DISPLAY. The screen
# is 1024x768 unless a size (WxH) is given. -noreset: by default the server resets when its last
# client leaves, and a game starting in that moment finds no X display (SDL then falls back to
# another video driver and the window is never seen). Keys therefore stay as the last game left
# them: a key pressed into a window that closed before the release is still down for the next.
start_xvfb() {
    local fifo="$E2E_TMP/display"
    Xvfb -displayfd 3 -screen 0 "${1:-1024x768}x24" -nolisten tcp -noreset 3>"$fifo" 2>"$E2E_TMP/xvfb.log" &
    XVFB_PID=$!
    local n=""
    for _ in $(seq 100); do
        n=$(head -n1 "$fifo" 2>/dev/null || true)
        [ -n "$n" ] && break
        sleep 0.1
    done
    [ -n "$n" ] || fail "Xvfb did not start: $(cat "$E2E_TMP/xvfb.log")"
    export DISPLAY=":$n"
    unset SDL_VIDEODRIVER
}

# wait_for SECONDS COMMAND...: retries the command until it succeeds or time runs out.
wait_for() {
    local seconds=$1
    shift
    local end=$((SECONDS + seconds))
    while ! "$@" >/dev/null 2>&1; do
        [ $SECONDS -lt $end ] || return 1
        sleep 0.2
    done
}

# The id of the game's main window (its caption is "Form1" until the first frame).
find_main_window() {
    xdotool search --onlyvisible --name '^(Form1|Terravik\. [0-9]+ FPS)$' | head -n1
}

# True once the process holds no descriptor on the file.
file_closed_by() {
    local pid=$1 file
    file=$(readlink -f "$2")
    [ -e "$file" ] || return 1
    for fd in /proc/"$pid"/fd/*; do
        [ "$(readlink -f "$fd" 2>/dev/null)" = "$file" ] && return 1
    done
    return 0
}

# The file a running game records REC into: it writes a temporary beside REC and renames it
# to REC when the run ends, so this is REC itself once there, else the temporary.
live_recording() {
    local f
    for f in "$1" "$1".tmp-*; do
        [ -f "$f" ] && { echo "$f"; return; }
    done
    echo "$1"
}

# How many frames the running game has recorded into REC so far.
recorded_frames() {
    local n
    n=$(grep -c '^f ' "$(live_recording "$1")" 2>/dev/null) || true
    echo "${n:-0}"
}

# "R G B" of one pixel of an image.
pixel() {
    convert "$1" -crop "1x1+$2+$3" -depth 8 txt:- | tail -n1 | sed -E 's/.*\(([0-9]+),([0-9]+),([0-9]+).*/\1 \2 \3/'
}

# Counts the pixels of a region (WxH+X+Y) for which the awk condition on r, g, b holds.
count_pixels() {
    convert "$1" -crop "$2" +repage -depth 8 txt:- | tail -n +2 |
        sed -E 's/.*\(([0-9]+),([0-9]+),([0-9]+).*/\1 \2 \3/' |
        awk "{ r=\$1; g=\$2; b=\$3; if ($3) n++ } END { print n+0 }"
}

# Pixels that differ by more than 10% between two images of the same size.
differing_pixels() {
    local n
    n=$(compare -metric AE -fuzz 10% "$1" "$2" null: 2>&1 || true)
    echo "${n%%.*}"
}

# Normalised RMS difference of two images shrunk to 64 x 48, which tolerates small shifts.
coarse_difference() {
    convert "$1" -resize 64x48! "$E2E_TMP/coarse-a.png"
    convert "$2" -resize 64x48! "$E2E_TMP/coarse-b.png"
    compare -metric RMSE "$E2E_TMP/coarse-a.png" "$E2E_TMP/coarse-b.png" null: 2>&1 | sed -E 's/.*\(([0-9.e+-]+)\).*/\1/' || true
}

# True if the button whose rectangle is WxH+X+Y is drawn in the image: most of it shows the
# buttons' face colour, which neither the scene's grey nor the window's face has.
button_shown() {
    local area n
    area=$(echo "$2" | sed -E 's/^([0-9]+)x([0-9]+).*/\1 * \2/')
    n=$(count_pixels "$1" "$2" 'r==224 && g==224 && b==224')
    [ "$n" -gt $(($area * 2 / 5)) ]
}

# wait_exit PID SECONDS: waits for the game (a child of this shell) and sets EXIT_RC to its
# exit status, or to "timeout" after killing it.
wait_exit() {
    local pid=$1 seconds=$2
    local end=$((SECONDS + seconds))
    while [ -d "/proc/$pid" ] && [ "$(awk '{print $3}' "/proc/$pid/stat" 2>/dev/null)" != "Z" ]; do
        if [ $SECONDS -ge $end ]; then
            kill "$pid" 2>/dev/null || true
            EXIT_RC=timeout
            return
        fi
        sleep 0.2
    done
    EXIT_RC=0
    wait "$pid" || EXIT_RC=$?
}
