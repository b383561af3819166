#!/usr/bin/env bash
# Runs every test of the build folder given as $1 and ends with ctest's summary line.
# Further arguments go to ctest (for example: scripts/run-tests.sh build-me -R unit_math).
# GL tests use SDL's offscreen driver; the e2e tests start their own Xvfb.
set -euo pipefail
build=${1:-build}
shift || true
cd "$build"
export SDL_VIDEODRIVER=${SDL_VIDEODRIVER:-offscreen}
ctest --output-on-failure -j "$(nproc)" --timeout 600 "$@"
