#!/usr/bin/env bash
# Only the report sink (src/common/report.cpp) writes to stderr: every other file of the game
# and its tools reports through it. Fails naming each file that writes stderr itself.
# Usage: check_stderr_writers.sh SOURCE_DIR
set -u
root=${1:-$(dirname "$0")/..}
sink=src/common/report.cpp
# Writes to stderr: the C++ streams, the stdio calls naming stderr (also with the stream on a
# line of its own), perror, raw writes to descriptor 2, SDL's logger (stderr by default).
pattern='std::(cerr|clog)|\b(v?fprintf|fputs|fputc|putc|fwrite|vfprintf)[[:space:]]*\([^;]*\bstderr\b|^[[:space:]]*stderr[[:space:]]*,|\bperror[[:space:]]*\(|\b(write|dprintf)[[:space:]]*\([[:space:]]*(2|STDERR_FILENO)[[:space:]]*,|\bSDL_Log[A-Za-z]*[[:space:]]*\('
cd "$root" || exit 2
offenders=$(grep -rnE --include='*.cpp' --include='*.h' --include='*.cc' "$pattern" src tools |
    grep -vE '^[^:]+:[0-9]+:[[:space:]]*//' | cut -d: -f1 | sort -u | grep -vxF "$sink")
if [ -n "$offenders" ]; then
    echo "these files write to stderr themselves; report through common/report.h instead:"
    echo "$offenders"
    exit 1
fi
echo "only $sink writes to stderr"
