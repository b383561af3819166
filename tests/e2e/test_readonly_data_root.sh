#!/usr/bin/env bash
# A data root where the log cannot be created: the game still starts and plays exactly as it
# does with a writable one, writes nothing there and shows no message; the log goes to the
# player's state folder and stderr says so. Write permissions alone do not stop root, so the
# log's name is also taken by a directory, which no user can open as a file.
game=$(cd "$1" && pwd)
source "$(dirname "$0")/lib.sh"

start_xvfb
export XDG_STATE_HOME="$E2E_TMP/state"
run_game() {  # run_game ROOT SCREENSHOT: a short fixed-step run that presses "Старт" itself
    set +e
    timeout 120 "$1/bin/terravik" --autostart --frames 120 --frame-ms 16 --screenshot "$2" \
        >"$E2E_TMP/out.txt" 2>"$E2E_TMP/err.txt"
    local rc=$?
    set -e
    [ "$rc" = "0" ] || fail "exit status $rc; stderr: $(cat "$E2E_TMP/err.txt")"
    grep -qE '^120 frames in [0-9]+\.[0-9]{2} s: avg [0-9.]+ ms, min [0-9.]+ ms, max [0-9.]+ ms, p99 [0-9.]+ ms, state_hash [0-9a-f]{16}$' \
        "$E2E_TMP/out.txt" || fail "no frame report: $(cat "$E2E_TMP/out.txt")"
    # The layer figures divide by a yardstick timed on both sides of the counted frames.
    grep -qE '^yardstick [0-9]+\.[0-9]{2} ms per full-screen layer \([0-9]+\.[0-9]{2} before the frames, [0-9]+\.[0-9]{2} after\): avg [0-9.]+ layers, p99 [0-9.]+ layers$' \
        "$E2E_TMP/out.txt" && ! grep -qE '\(0\.00 before|, 0\.00 after' "$E2E_TMP/out.txt" ||
        fail "no yardstick measured at both ends: $(cat "$E2E_TMP/out.txt")"
}

# First the same game in a writable copy, to know what this data set looks like.
writable="$E2E_TMP/writable"
cp -a "$game" "$writable"
rm -rf "$writable/Log_File.txt"
run_game "$writable" "$E2E_TMP/writable.png"
[ -f "$writable/Log_File.txt" ] || fail "no log in the writable root"
writable_hash=$(sed -nE 's/.*state_hash ([0-9a-f]{16})$/\1/p' "$E2E_TMP/out.txt")

root="$E2E_TMP/readonly"
cp -a "$game" "$root"
rm -rf "$root/Log_File.txt"
mkdir "$root/Log_File.txt"
chmod -R a-w "$root"
restore_permissions() { chmod -R u+w "$root" 2>/dev/null || true; e2e_cleanup; }
trap restore_permissions EXIT
before=$(cd "$root" && find . -printf '%p %s %T@\n' | sort)

run_game "$root" "$E2E_TMP/readonly.png"
state_log="$XDG_STATE_HOME/terravik/Log_File.txt"
[ "$(wc -l <"$E2E_TMP/err.txt")" = "1" ] && grep -qF "$state_log" "$E2E_TMP/err.txt" ||
    fail "stderr should say where the log went, once: $(cat "$E2E_TMP/err.txt")"
cmp -s <(cut -c26- "$writable/Log_File.txt") <(cut -c26- "$state_log") ||
    fail "the state folder's log differs from the writable root's"
after=$(cd "$root" && find . -printf '%p %s %T@\n' | sort)
[ "$before" = "$after" ] || fail "the data root changed: $(diff <(echo "$before") <(echo "$after"))"
[ -d "$root/Log_File.txt" ] && [ -z "$(ls -A "$root/Log_File.txt")" ] || fail "a log was written"

# It played as the writable game did: "Старт" gone, "Еще 50" shown, the same state and, a
# fixed-step run being bit-exact, the very same last frame.
button_shown "$E2E_TMP/readonly.png" 75x25+760+56 || fail "\"Еще 50\" is not shown"
button_shown "$E2E_TMP/readonly.png" 75x25+760+24 && fail "\"Старт\" is still shown"
readonly_hash=$(sed -nE 's/.*state_hash ([0-9a-f]{16})$/\1/p' "$E2E_TMP/out.txt")
[ "$readonly_hash" = "$writable_hash" ] || fail "state_hash $readonly_hash, the writable run ended on $writable_hash"
differing=$(compare -metric AE "$E2E_TMP/writable.png" "$E2E_TMP/readonly.png" null: 2>&1 || true)
[ "$differing" = "0" ] || fail "the last frames differ in $differing pixels"
echo "ok: $(cat "$E2E_TMP/out.txt"); the last frames are identical"
