# shellcheck shell=bash
# Sourced by the scripts that run the game headless: start_xvfb WORK_DIR SIZE starts an Xvfb
# of that size (e.g. 1024x768) on a free display, logs to WORK_DIR/xvfb.log, sets XVFB_PID and
# DISPLAY, and clears SDL_VIDEODRIVER so the game opens a real X window. The caller kills
# XVFB_PID when it is done.
start_xvfb() {
    local work=$1 size=$2 n=""
    Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp -noreset 3>"$work/display" 2>"$work/xvfb.log" &
    # shellcheck disable=SC2034 # the caller reads it
    XVFB_PID=$!
    for _ in $(seq 100); do n=$(head -n1 "$work/display" 2>/dev/null || true); [ -n "$n" ] && break; sleep 0.1; done
    [ -n "$n" ] || { echo "Xvfb did not start: $(cat "$work/xvfb.log")" >&2; return 1; }
    export DISPLAY=":$n"
    unset SDL_VIDEODRIVER
}
