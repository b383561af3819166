#!/usr/bin/env bash
# Sanitizer run: builds the unit and GL tests with ASan + UBSan (-DTERRAVIK_SANITIZE=ON) in
# their own folder and runs them, the unit tests with leak checks (only the GL driver's and
# D-Bus's own leaks are suppressed, scripts/lsan.supp); any sanitizer report fails its test.
#
#   scripts/sanitize-tests.sh [BUILD_DIR] [ctest arguments...]    (default folder: build-asan)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=$(realpath -m "${1:-$root/build-asan}")
shift || true

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:detect_odr_violation=0:${ASAN_OPTIONS:-}
export LSAN_OPTIONS=suppressions=$root/scripts/lsan.supp:print_suppressions=0:${LSAN_OPTIONS:-}
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1:${UBSAN_OPTIONS:-}

mkdir -p "$out"
cmake -S "$root" -B "$out" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTERRAVIK_SANITIZE=ON >"$out/configure.log" 2>&1 ||
    { cat "$out/configure.log"; exit 1; }
# Only what the unit and GL tests need (they pull in the data set and the inspector), and the
# game itself for one recorded replay: the same state hash as the plain build proves the
# sanitizers change nothing the game computes.
targets=$(cmake --build "$out" --target help | sed -n 's/^\.\.\. \(\(unit\|gl\)_[a-z_]*\).*/\1/p')
# shellcheck disable=SC2086
cmake --build "$out" -j "$(nproc)" --target $targets terravik
# Tests carry their kind as a label; --no-tests=error keeps a selection that matches nothing
# from passing quietly.
bash "$root/scripts/run-tests.sh" "$out" --no-tests=error -L '^unit$' "$@"
# Whatever runs a GL context leaves the Mesa driver's allocations behind, and the driver is
# unloaded before the leak check runs: its frames show as "<unknown module>", which no
# suppression can name. Those runs keep ASan's memory-error checks and UBSan, without the
# leak check.
ASAN_OPTIONS=$ASAN_OPTIONS:detect_leaks=0 bash "$root/scripts/run-tests.sh" "$out" --no-tests=error -L '^gl$' "$@"
ASAN_OPTIONS=$ASAN_OPTIONS:detect_leaks=0 bash "$root/scripts/run-tests.sh" "$out" --no-tests=error -R '^replay_under_fire$' "$@"
