#!/usr/bin/env bash
# Runs every test of the build folder given as $1 and ends with ctest's summary line.
# Further arguments go to ctest (for example: scripts/run-tests.sh build-me -R unit_math).
# GL tests use SDL's offscreen driver; the e2e tests start their own Xvfb. A build without
# tests (configured without GoogleTest) is an error, not an empty success.
set -euo pipefail
build=${1:-build}
shift || true
cd "$build"
export SDL_VIDEODRIVER=${SDL_VIDEODRIVER:-offscreen}
ctest --output-on-failure --no-tests=error -j "$(nproc)" --timeout 600 "$@"
