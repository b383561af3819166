#!/usr/bin/env bash
# Fuzz smoke: builds the libFuzzer targets of fuzz/ with clang in their own build folder, seeds
# each from the generated data set (the writers' own output), and runs each for a fixed number
# of executions: the seeds plus fresh mutations. Fails if any target finds a crash, a leak, an
# escaping exception other than DataError, a failed round trip, or goes past 256 MB of RSS.
#
#   scripts/fuzz-smoke.sh [GAME_DIR] [FUZZ_BUILD_DIR]    (defaults: build/game build-fuzz)
#   FUZZ_RUNS=N      executions per target (default 4000)
#   FUZZ_SECONDS=N   instead, run each target for N seconds (the long runs of `make fuzz`)
#   FUZZ_MAX_SECONDS=N  in the smoke, stop a target after N seconds even if its runs are not
#                    done (default 20: the slow readers would otherwise take minutes)
#   FUZZ_TARGETS="a b"  only these targets (default: all of them)
#
# Skipped (with a note, exit 0) when clang or its libFuzzer runtime is missing.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
game=$(realpath -m "${1:-$root/build/game}")
out=$(realpath -m "${2:-$root/build-fuzz}")
runs=${FUZZ_RUNS:-4000}
seconds=${FUZZ_SECONDS:-}
if [ -n "$seconds" ]; then
    limit=(-max_total_time="$seconds")
else
    limit=(-runs="$runs" -max_total_time="${FUZZ_MAX_SECONDS:-20}")
fi

if ! command -v clang++ >/dev/null || ! echo 'extern "C" int LLVMFuzzerTestOneInput(const char*, unsigned long){return 0;}' |
    clang++ -x c++ -fsanitize=fuzzer - -o /dev/null 2>/dev/null; then
    echo "fuzz smoke: skipped (clang++ with libFuzzer not found)"
    exit 0
fi
if [ ! -d "$game" ]; then
    echo "fuzz smoke: no data set at $game (build the game first)" >&2
    exit 1
fi

mkdir -p "$out"
CC=clang CXX=clang++ cmake -S "$root" -B "$out" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTERRAVIK_FUZZ=ON \
    -DBUILD_TESTING=OFF >"$out/configure.log" 2>&1 || { cat "$out/configure.log"; exit 1; }
cmake --build "$out" --target fuzz_targets -j "$(nproc)"

# Seeds: every generated file of the target's format, cut to 64 KB (longer inputs only slow
# the smoke down; a cut file is a fine seed for a tolerant reader). The byte reader takes a
# few of every kind.
corpus=$out/corpus
rm -rf "$corpus"
seed() {  # seed TARGET EXTENSION...
    local target=$1
    shift
    mkdir -p "$corpus/$target"
    for ext in "$@"; do
        find "$game" -type f -iname "*.$ext" -print0 | while IFS= read -r -d '' f; do
            head -c 65536 "$f" >"$corpus/$target/$(echo "$f" | md5sum | cut -c1-16).$ext"
        done
    done
}
seed model 3dk
seed level wrd
seed terrain map
seed particles kpr
seed smd smd
seed wav wav
seed ogg ogg
seed texture jpg png tga bmp
# terravik-pack's documents: the JSON form of the small generated files.
mkdir -p "$corpus/pack"
if [ -x "$game/bin/terravik-inspect" ]; then
    find "$game" -type f \( -iname '*.kpr' -o -iname '*.3dk' -o -iname '*.wrd' \) -size -16k -print0 |
        while IFS= read -r -d '' f; do
            "$game/bin/terravik-inspect" --data-dir "$game" --full "$f" 2>/dev/null |
                head -c 65536 >"$corpus/pack/$(echo "$f" | md5sum | cut -c1-16).json" || true
        done
fi
cp "$root/fuzz/seeds/pack/"* "$corpus/pack/"
seed catalogue mo
# The text readers start from the small files in fuzz/seeds and the stored recordings.
for t in settings replay run_options; do
    mkdir -p "$corpus/$t"
    cp "$root/fuzz/seeds/$t/"* "$corpus/$t/"
done
for f in "$root"/tests/data/*.rec; do head -c 65536 "$f" >"$corpus/replay/$(basename "$f")"; done
mkdir -p "$corpus/byte_reader"
for d in model level particles smd; do
    ls "$corpus/$d" | head -n 3 | while read -r f; do cp "$corpus/$d/$f" "$corpus/byte_reader/"; done
done

# A small quarantine, so the RSS limit measures the program rather than ASan's bookkeeping.
export ASAN_OPTIONS=quarantine_size_mb=16:detect_leaks=1:malloc_context_size=10:${ASAN_OPTIONS:-}
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1:${UBSAN_OPTIONS:-}
export LSAN_OPTIONS=suppressions=$root/scripts/lsan-fuzz.supp:print_suppressions=0:${LSAN_OPTIONS:-}
status=0
printf '%-12s %10s %10s %8s %9s %9s %6s\n' target executions exec/s rss_mb cov_start cov_end result
while read -r t; do
    [ -n "$t" ] || continue
    if [ -n "${FUZZ_TARGETS:-}" ] && [[ " $FUZZ_TARGETS " != *" $t "* ]]; then continue; fi
    log=$out/fuzz/$t.log
    mkdir -p "$out/fuzz/artifacts/$t" "$corpus/$t"
    rc=0
    (cd "$out/fuzz/artifacts/$t" && "$out/fuzz/fuzz_$t" "${limit[@]}" -seed=1 -rss_limit_mb=256 -max_len=65536 \
        -timeout=30 -close_fd_mask=3 -print_final_stats=1 "$corpus/$t") >"$log" 2>&1 || rc=$?
    execs=$(awk '/stat::number_of_executed_units/ {print $2}' "$log")
    speed=$(awk '/stat::average_exec_per_sec/ {print $2}' "$log")
    rss=$(awk '/stat::peak_rss_mb/ {print $2}' "$log")
    # Coverage (edges) once the seeds are in, and at the end.
    cov0=$(sed -nE 's/.*INITED cov: ([0-9]+).*/\1/p' "$log" | head -n1)
    cov1=$(sed -nE 's/.* cov: ([0-9]+) .*/\1/p' "$log" | tail -n1)
    result=ok
    if [ "$rc" -ne 0 ]; then
        result=FAIL
        status=1
    fi
    printf '%-12s %10s %10s %8s %9s %9s %6s\n' "$t" "${execs:-?}" "${speed:-?}" "${rss:-?}" "${cov0:-?}" "${cov1:-?}" "$result"
    if [ "$rc" -ne 0 ]; then
        grep -v '^#\|^INFO\|NEW_FUNC' "$log" | head -n 40
        echo "(full log: $log; reproducer in $out/fuzz/artifacts/$t)"
    fi
done <"$out/fuzz/targets.txt"
exit $status
