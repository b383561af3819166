#!/usr/bin/env bash
# A data root where the log cannot be created: the game still starts and plays, writes
# nothing there and shows no message. Write permissions alone do not stop root, so the log's
# name is also taken by a directory, which no user can open as a file.
game=$(cd "$1" && pwd)
source "$(dirname "$0")/lib.sh"

start_xvfb
root="$E2E_TMP/game"
cp -a "$game" "$root"
rm -rf "$root/Log_File.txt"
mkdir "$root/Log_File.txt"
chmod -R a-w "$root"
restore_permissions() { chmod -R u+w "$root" 2>/dev/null || true; e2e_cleanup; }
trap restore_permissions EXIT
before=$(cd "$root" && find . -printf '%p %s %T@\n' | sort)

set +e
timeout 120 "$root/bin/terravik" --autostart --frames 200 --frame-ms 16 --screenshot "$E2E_TMP/shot.png" \
    >"$E2E_TMP/out.txt" 2>"$E2E_TMP/err.txt"
rc=$?
set -e
[ "$rc" = "0" ] || fail "exit status $rc; stderr: $(cat "$E2E_TMP/err.txt")"
grep -qE '^200 frames in [0-9]+\.[0-9]{2} s: avg [0-9.]+ ms, min [0-9.]+ ms, max [0-9.]+ ms, p99 [0-9.]+ ms$' \
    "$E2E_TMP/out.txt" || fail "no frame report: $(cat "$E2E_TMP/out.txt")"
[ ! -s "$E2E_TMP/err.txt" ] || fail "the game complained: $(cat "$E2E_TMP/err.txt")"

after=$(cd "$root" && find . -printf '%p %s %T@\n' | sort)
[ "$before" = "$after" ] || fail "the data root changed: $(diff <(echo "$before") <(echo "$after"))"
[ -d "$root/Log_File.txt" ] && [ -z "$(ls -A "$root/Log_File.txt")" ] || fail "a log was written"

# It played: the last frame is the scene's grey with "Еще 50" over it, and no question.
[ "$(count_pixels "$E2E_TMP/shot.png" 1x1+100+700 'r>=75 && r<=79 && g>=75 && g<=79 && b>=75 && b<=79')" -eq 1 ] ||
    fail "the scene was not drawn: $(pixel "$E2E_TMP/shot.png" 100 700)"
[ "$(count_pixels "$E2E_TMP/shot.png" 75x25+760+56 'r>200 && g>200 && b>200')" -gt 500 ] || fail "\"Еще 50\" is not shown"
[ "$(count_pixels "$E2E_TMP/shot.png" 273x25+264+136 'r>200 && g>200 && b>200')" -eq 0 ] ||
    fail "the start-up question is shown"
echo "ok: $(cat "$E2E_TMP/out.txt")"
