#!/usr/bin/env bash
# The Debian package as `make deb` builds it: Debian's layout for games, compressed man pages,
# the copyright file, library dependencies, lintian without an error, and the game from the
# unpacked package finds its data and plays.
game=$(cd "$1" && pwd)
build=$(dirname "$game")
source "$(dirname "$0")/lib.sh"
src=$(cd "$(dirname "$0")/../.." && pwd)

make -s -n --no-print-directory -C "$src" deb BUILD_DIR="$build" | grep -q 'scripts/make-deb.sh' ||
    fail "make deb does not run scripts/make-deb.sh"
deb=$(bash "$src/scripts/make-deb.sh" "$build" "$E2E_TMP" 2>"$E2E_TMP/deb-err.txt") ||
    fail "make-deb.sh failed: $(cat "$E2E_TMP/deb-err.txt")"
[ -f "$deb" ] || fail "no package at '$deb'"

dpkg-deb -x "$deb" "$E2E_TMP/root"
root=$E2E_TMP/root
for f in usr/games/terravik usr/bin/terravik-datagen usr/bin/terravik-inspect \
    usr/share/games/terravik/world/1.wrd usr/share/man/man6/terravik.6.gz \
    usr/share/applications/org.terravik.Terravik.desktop usr/share/metainfo/org.terravik.Terravik.metainfo.xml \
    usr/share/icons/hicolor/256x256/apps/org.terravik.Terravik.png \
    usr/share/doc/terravik/copyright usr/share/doc/terravik/changelog.Debian.gz; do
    [ -f "$root/$f" ] || fail "not in the package: $f"
done
for f in usr/bin/terravik usr/share/terravik usr/share/doc/terravik/LICENSE; do
    [ ! -e "$root/$f" ] || fail "the package still holds $f"
done
depends=$(dpkg-deb -f "$deb" Depends)
for dep in libsdl2-2.0-0 libopenal1 libvorbisfile3 fonts-dejavu-core; do
    grep -q "$dep" <<<"$depends" || fail "Depends lacks $dep: $depends"
done

lintian --no-tag-display-limit "$deb" >"$E2E_TMP/lintian.txt" 2>/dev/null || true
! grep -q '^E:' "$E2E_TMP/lintian.txt" || fail "lintian errors: $(grep '^E:' "$E2E_TMP/lintian.txt")"
grep -q '^' "$E2E_TMP/lintian.txt" || lintian --version >/dev/null || fail "lintian did not run"

start_xvfb
set +e
(cd "$E2E_TMP" && timeout 120 "$root/usr/games/terravik" --autostart --frames 30 --windowed 800x600 \
    >"$E2E_TMP/out.txt" 2>"$E2E_TMP/err.txt")
rc=$?
set -e
[ "$rc" = "0" ] || fail "the packaged game exited with $rc; stderr: $(cat "$E2E_TMP/err.txt")"
grep -qE '^30 frames in ' "$E2E_TMP/out.txt" || fail "no frame report: $(cat "$E2E_TMP/out.txt")"
[ -f "$root/usr/share/games/terravik/Log_File.txt" ] || fail "the packaged game did not use its data folder"
echo "deb: OK"
