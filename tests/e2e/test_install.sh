#!/usr/bin/env bash
# Installing as a package build does (DESTDIR staging, prefix /usr): every file lands where
# desktops, AppStream and man look for it, the validators accept the desktop entry and the
# metadata, and the installed game finds its data with no options and plays.
game=$(cd "$1" && pwd)
build=$(dirname "$game")
source "$(dirname "$0")/lib.sh"

stage="$E2E_TMP/stage"
DESTDIR="$stage" cmake --install "$build" --prefix /usr >"$E2E_TMP/install.txt" 2>&1 ||
    fail "install failed: $(cat "$E2E_TMP/install.txt")"
usr="$stage/usr"
for f in bin/terravik bin/terravik-datagen bin/terravik-inspect share/terravik/world/1.wrd \
    share/applications/org.terravik.Terravik.desktop share/metainfo/org.terravik.Terravik.metainfo.xml \
    share/icons/hicolor/256x256/apps/terravik.png share/man/man6/terravik.6 share/terravik/terravik.png \
    share/terravik/fonts/DejaVuSans.ttf share/terravik/fonts/LICENSE-DejaVu.txt; do
    [ -f "$usr/$f" ] || fail "not installed: $f"
done
[ -x "$usr/bin/terravik" ] || fail "the game is not executable"
for junk in bin .data-stamp Log_File.txt; do
    [ ! -e "$usr/share/terravik/$junk" ] || fail "the data folder holds $junk"
done

desktop-file-validate "$usr/share/applications/org.terravik.Terravik.desktop" ||
    fail "desktop-file-validate refused the desktop entry"
appstreamcli validate --no-net "$usr/share/metainfo/org.terravik.Terravik.metainfo.xml" >"$E2E_TMP/as.txt" 2>&1 ||
    fail "appstreamcli refused the metadata: $(cat "$E2E_TMP/as.txt")"
# The entry names the icon and the binary that were installed.
grep -qx 'Icon=terravik' "$usr/share/applications/org.terravik.Terravik.desktop" || fail "desktop entry icon"
grep -qx 'Exec=terravik' "$usr/share/applications/org.terravik.Terravik.desktop" || fail "desktop entry command"
[ "$(identify -format '%w %h %[channels]' "$usr/share/icons/hicolor/256x256/apps/terravik.png")" = "256 256 srgba" ] ||
    fail "the icon is not a 256x256 PNG with alpha: $(identify "$usr/share/icons/hicolor/256x256/apps/terravik.png")"

# Run from elsewhere, with no options but the run's length: the data comes from share/terravik.
start_xvfb
set +e
(cd "$E2E_TMP" && XDG_CONFIG_HOME="$E2E_TMP/config" timeout 120 "$usr/bin/terravik" --autostart --frames 60 \
    --windowed 800x600 >"$E2E_TMP/out.txt" 2>"$E2E_TMP/err.txt")
rc=$?
set -e
[ "$rc" = "0" ] || fail "the installed game exited with $rc; stderr: $(cat "$E2E_TMP/err.txt")"
grep -qE '^60 frames in ' "$E2E_TMP/out.txt" || fail "no frame report: $(cat "$E2E_TMP/out.txt")"
log="$usr/share/terravik/Log_File.txt"
[ -f "$log" ] || fail "no log in the installed data folder"
for line in "Ландщафт создан ОК" "Турель иницилизирована  ОК" "Небо иницилизировано  ОК" \
    "Система самолетов иницилизирована  ОК"; do
    grep -qF "$(printf '%s' "$line" | iconv -f UTF-8 -t CP1251)" "$log" || fail "the log lacks: $line"
done
echo "install: OK"
