#!/usr/bin/env bash
# An environment that works against the game: stderr closed, the log's disk full, a FIFO in
# place of a model. Each run must end by itself with exit status 0; one that hangs (a hung
# game ignores SIGTERM) is killed and fails the test.
game=$(cd "$1" && pwd)
source "$(dirname "$0")/lib.sh"

start_xvfb
export XDG_STATE_HOME="$E2E_TMP/state"
root="$E2E_TMP/root"
cp -a "$game" "$root"
rm -rf "$root/Log_File.txt"
args=(--windowed 1024x768 --autostart --frames 30 --frame-ms 16)

# run_bounded REDIRECT_STDERR(yes|no) ARGS...: RC is the exit status, or "timeout".
run_bounded() {
    local redirect=$1
    shift
    set +e
    if [ "$redirect" = yes ]; then
        timeout -k 5 90 "$@" >"$E2E_TMP/out.txt" 2>"$E2E_TMP/err.txt"
    else
        timeout -k 5 90 "$@" >"$E2E_TMP/out.txt" 2>&-
    fi
    RC=$?
    set -e
    case $RC in 124 | 137) RC=timeout ;; esac
}

# Stderr closed, and a settings file with something to say on it: the lines must not reach
# the X connection, which would take descriptor 2.
printf '[video]\nnot a setting\n' >"$E2E_TMP/bad.ini"
run_bounded no "$root/bin/terravik" --config "$E2E_TMP/bad.ini" "${args[@]}"
[ "$RC" = "0" ] || fail "stderr closed: exit status $RC"
grep -q '^30 frames in ' "$E2E_TMP/out.txt" || fail "stderr closed: no frame report: $(cat "$E2E_TMP/out.txt")"
[ -f "$root/Log_File.txt" ] || fail "no log written"
cp "$root/Log_File.txt" "$E2E_TMP/reference-log.txt"

# The disk under the data folder is full: the log opens but no write succeeds. The game starts
# as usual; the whole log goes to the state folder, and stderr says so once.
ln -sf /dev/full "$root/Log_File.txt"
run_bounded yes "$root/bin/terravik" "${args[@]}"
state_log="$XDG_STATE_HOME/terravik/Log_File.txt"
[ "$RC" = "0" ] || fail "full disk: exit status $RC, stderr: $(cat "$E2E_TMP/err.txt")"
[ "$(wc -l <"$E2E_TMP/err.txt")" = "1" ] && grep -qF "cannot write the log $root/Log_File.txt" "$E2E_TMP/err.txt" &&
    grep -qF "$state_log" "$E2E_TMP/err.txt" || fail "full disk: stderr was: $(cat "$E2E_TMP/err.txt")"
cmp -s <(cut -c26- "$E2E_TMP/reference-log.txt") <(cut -c26- "$state_log") ||
    fail "the state folder's log differs from a normal run's: $(cut -c26- "$state_log" | iconv -f CP1251 -t UTF-8)"
rm "$root/Log_File.txt"

# A FIFO in place of the turret's model: refused at once, so the start-up goes on to the
# question, and stderr names the file.
model="$root/3DOBJEKT/turel1/t2.3dk"
rm "$model"
mkfifo "$model"
run_bounded yes "$root/bin/terravik" "${args[@]}"
[ "$RC" = "0" ] || fail "FIFO model: exit status $RC, stderr: $(cat "$E2E_TMP/err.txt")"
grep -qF "$model: offset 0: file: not a regular file" "$E2E_TMP/err.txt" ||
    fail "FIFO model: stderr was: $(cat "$E2E_TMP/err.txt")"
echo "ok: closed stderr, a full log disk and a FIFO model all end by themselves with exit status 0"
