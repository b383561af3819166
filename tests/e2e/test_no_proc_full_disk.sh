#!/usr/bin/env bash
# Needs a private mount namespace (root): no /proc and an empty argv[0], then the game's own
# output files on a disk that is full. Started from its data folder with nothing to say where
# its executable is, the game finds the data in the current folder. A screenshot, a state dump
# and a recording that cannot be written whole leave nothing behind, keep the files that were
# there, and fail the run with one line each.
game=$(cd "$1" && pwd)
source "$(dirname "$0")/lib.sh"

unshare --mount true 2>/dev/null || skip "no private mount namespace (needs root)"
start_xvfb
export XDG_STATE_HOME="$E2E_TMP/state"

# in_namespace SCRIPT ARGS...: runs bash -c SCRIPT in a private mount namespace.
in_namespace() {
    local script=$1
    shift
    set +e
    timeout -k 5 120 unshare --mount bash -c "$script" bash "$@" >"$E2E_TMP/out.txt" 2>"$E2E_TMP/err.txt"
    RC=$?
    set -e
}

in_namespace 'mount -t tmpfs -o size=64k tmpfs /proc && cd "$1" &&
              exec -a "" "$1/bin/terravik" --windowed 1024x768 --autostart --frames 30 --frame-ms 16' "$game"
[ "$RC" = "0" ] || fail "no /proc, empty argv[0]: exit status $RC, stderr: $(cat "$E2E_TMP/err.txt")"
grep -q '^30 frames in ' "$E2E_TMP/out.txt" || fail "no /proc: no frame report: $(cat "$E2E_TMP/out.txt")"

# A small disk, full, holding an older screenshot, state dump and recording.
in_namespace 'mount -t tmpfs -o size=256k tmpfs "$2" &&
              for f in shot.png state.json run.rec; do echo old >"$2/$f"; done &&
              { cat /dev/zero >"$2/filler" 2>/dev/null; true; } &&
              "$1/bin/terravik" --windowed 1024x768 --autostart --frames 30 --frame-ms 16 \
                  --screenshot "$2/shot.png" --dump-state "$2/state.json" --record "$2/run.rec"
              echo "status $?" >&2
              cd "$2" && ls && cat shot.png state.json run.rec' "$game" "$(mktemp -d "$E2E_TMP/disk.XXXXXX")"
grep -qx 'status 1' "$E2E_TMP/err.txt" || fail "full disk: $(cat "$E2E_TMP/err.txt")"
[ "$(grep -c '^terravik: ' "$E2E_TMP/err.txt")" = "3" ] || fail "full disk: stderr was: $(cat "$E2E_TMP/err.txt")"
for f in shot.png state.json run.rec; do
    grep -q "$f" "$E2E_TMP/err.txt" || fail "full disk: nothing said about $f: $(cat "$E2E_TMP/err.txt")"
done
left=$(grep -vE '^(30 frames|video|yardstick|smoke|start-up)' "$E2E_TMP/out.txt")
[ "$left" = "$(printf 'filler\nrun.rec\nshot.png\nstate.json\nold\nold\nold')" ] ||
    fail "full disk: the folder holds: $(cat "$E2E_TMP/out.txt")"
echo "ok: no /proc with an empty argv[0] plays; a full disk leaves the old files and no new ones"
