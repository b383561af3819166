#!/usr/bin/env bash
# Installs the missing Debian packages of the named lists: `build` (scripts/packages-build.txt,
# what building and playing need) and `test` (scripts/packages-test.txt, what the tests,
# benchmarks and fuzzing add). With no name, the build list.
#   bash scripts/install-deps.sh build test
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
[ $# -gt 0 ] || set -- build
wanted=()
for list in "$@"; do
  case "$list" in
    build | test) ;;
    *)
      echo "terravik: unknown package list '$list' (build or test)" >&2
      exit 2
      ;;
  esac
  mapfile -t -O "${#wanted[@]}" wanted < <(grep -v -E '^\s*(#|$)' "$here/packages-$list.txt")
done
missing=()
for p in "${wanted[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi
echo "Installing: ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
