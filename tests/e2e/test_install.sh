#!/usr/bin/env bash
# Installing as `make install` does (DESTDIR staging, prefix /usr, stripped): every file lands
# where desktops, AppStream and man look for it, the validators accept the desktop entry and
# the metadata without a warning, the licence comes along, the man pages render cleanly, and
# the installed game finds its data with no options and plays.
game=$(cd "$1" && pwd)
build=$(dirname "$game")
source "$(dirname "$0")/lib.sh"
src=$(cd "$(dirname "$0")/../.." && pwd)

stage="$E2E_TMP/stage"
# The install step exactly as `make install` runs it: make -n prints the target's commands
# without running the package and build steps before it.
step=$(make -s -n --no-print-directory -C "$src" install BUILD_DIR="$build" DESTDIR="$stage" PREFIX=/usr |
    grep -E '^DESTDIR=.* cmake --install ') || fail "make install runs no cmake --install"
(cd "$src" && eval "$step") >"$E2E_TMP/install.txt" 2>&1 || fail "install failed: $(cat "$E2E_TMP/install.txt")"
usr="$stage/usr"
app=org.terravik.Terravik
sizes="16 32 48 64 128 256 512"
for f in bin/terravik bin/terravik-datagen bin/terravik-inspect bin/terravik-pack bin/terravik-import \
    share/terravik/world/1.wrd share/man/man1/terravik-pack.1 share/man/man1/terravik-import.1 \
    share/applications/$app.desktop share/metainfo/$app.metainfo.xml \
    share/man/man6/terravik.6 share/man/man1/terravik-datagen.1 share/man/man1/terravik-inspect.1 \
    share/doc/terravik/LICENSE share/doc/terravik/copyright share/terravik/terravik.png \
    share/terravik/fonts/DejaVuSans.ttf share/terravik/fonts/LICENSE-DejaVu.txt \
    share/locale/en/LC_MESSAGES/terravik.mo; do
    [ -f "$usr/$f" ] || fail "not installed: $f"
done
[ -x "$usr/bin/terravik" ] || fail "the game is not executable"
for junk in bin .data-stamp Log_File.txt share; do
    [ ! -e "$usr/share/terravik/$junk" ] || fail "the data folder holds $junk"
done

desktop=$usr/share/applications/$app.desktop
metainfo=$usr/share/metainfo/$app.metainfo.xml
if ! out=$(desktop-file-validate "$desktop" 2>&1) || [ -n "$out" ]; then fail "desktop-file-validate: $out"; fi
if ! out=$(appstreamcli validate --no-net "$metainfo" 2>&1) || grep -qE '^[EW]:' <<<"$out"; then
    fail "appstreamcli validate: $out"
fi
# The entry names the binary and an icon installed in every size, each PNG truly that size,
# with alpha, and neither blank nor without its transparent corners.
grep -qx 'Exec=terravik' "$desktop" || fail "desktop entry command"
icon=$(sed -n 's/^Icon=//p' "$desktop")
for n in $sizes; do
    png="$usr/share/icons/hicolor/${n}x$n/apps/$icon.png"
    [ -f "$png" ] || fail "no ${n}x$n icon named after Icon=$icon"
    got=$(identify -format '%w %h %[channels]' "$png")
    [ "$got" = "$n $n srgba" ] || fail "the ${n}x$n icon is $got"
    opaque=$(convert "$png" -alpha extract -format '%[fx:mean]' info:)
    awk -v a="$opaque" 'BEGIN { exit !(a > 0.85 && a < 0.97) }' || fail "the ${n}x$n icon is $opaque opaque"
done

# The licence: the GPL 3 text, its SPDX id in the metadata, and a machine-readable copyright
# file in which every licence a Files paragraph names has its own text.
grep -q 'Version 3, 29 June 2007' "$usr/share/doc/terravik/LICENSE" || fail "LICENSE is not the GPL 3"
grep -q '<project_license>GPL-3.0-or-later</project_license>' "$metainfo" || fail "no project_license"
copyright=$usr/share/doc/terravik/copyright
head -n1 "$copyright" | grep -qx 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' ||
    fail "copyright: no Format line"
awk '/^Files:/ { files = 1 } /^$/ { files = 0 }
     /^License:/ { n = $0; sub(/^License: */, "", n)
                   if (files) { k = split(n, part, / and | or /); for (i = 1; i <= k; i++) used[part[i]] = 1 }
                   else text[n] = 1 }
     END { for (l in used) if (!(l in text)) { print "copyright: no text for " l; bad = 1 }
           if (!("GPL-3+" in used)) { print "copyright: GPL-3+ unused"; bad = 1 }
           exit bad }' "$copyright" || fail "copyright file"

# Man pages render without a warning; the game's documents its exit statuses truthfully.
for page in man6/terravik.6 man1/terravik-datagen.1 man1/terravik-inspect.1 man1/terravik-pack.1 man1/terravik-import.1; do
    warnings=$(MANWIDTH=80 man --warnings -l "$usr/share/man/$page" 2>&1 >/dev/null)
    [ -z "$warnings" ] || fail "$page: $warnings"
done
rc=0
"$usr/bin/terravik" --data-dir "$E2E_TMP/no-such-folder" 2>/dev/null || rc=$?
[ "$rc" = "2" ] || fail "a missing data folder exited $rc"
MANWIDTH=80 man -l "$usr/share/man/man6/terravik.6" 2>/dev/null | sed -n '/^EXIT STATUS/,/^EXAMPLES/p' |
    tr -s ' \n' ' ' | grep -qE ' 2 [^.]*data folder' || fail "terravik(6) does not say a missing data folder exits 2"

# Installed binaries carry no symbols or debug information.
for b in terravik terravik-datagen terravik-inspect terravik-pack terravik-import; do
    file -L "$usr/bin/$b" | grep -q ', stripped' || fail "bin/$b is not stripped: $(file -L "$usr/bin/$b")"
done

# Building and playing pull in no test tools; the README's commands name programs the build made.
[ -f "$src/scripts/packages-build.txt" ] || fail "no scripts/packages-build.txt"
for tool in xdotool xvfb libgtest-dev libgmock-dev libbenchmark-dev clang imagemagick; do
    ! grep -qx "$tool" "$src/scripts/packages-build.txt" || fail "packages-build.txt lists $tool"
done
mapfile -t named < <(grep -oE 'build/[a-z/]+/terravik(-[a-z]+)?' "$src/README.md" | sort -u)
for path in "${named[@]}"; do
    [ -x "$build/${path#build/}" ] || fail "README.md names $path, which the build does not make"
done

# Run from elsewhere, with no options but the run's length: the data comes from share/terravik,
# the English texts from the system's locale folder.
start_xvfb
mkdir -p "$E2E_TMP/config/terravik"
printf '[interface]\nlanguage = en\n' >"$E2E_TMP/config/terravik/settings.ini"
set +e
(cd "$E2E_TMP" && XDG_CONFIG_HOME="$E2E_TMP/config" timeout 120 "$usr/bin/terravik" --autostart --frames 60 \
    --windowed 800x600 >"$E2E_TMP/out.txt" 2>"$E2E_TMP/err.txt")
rc=$?
set -e
[ "$rc" = "0" ] || fail "the installed game exited with $rc; stderr: $(cat "$E2E_TMP/err.txt")"
grep -qE '^60 frames in ' "$E2E_TMP/out.txt" || fail "no frame report: $(cat "$E2E_TMP/out.txt")"
! grep -q 'texts stay Russian' "$E2E_TMP/err.txt" || fail "the installed game lacks its English texts: $(cat "$E2E_TMP/err.txt")"
log="$usr/share/terravik/Log_File.txt"
[ -f "$log" ] || fail "no log in the installed data folder"
for line in "Ландщафт создан ОК" "Турель иницилизирована  ОК" "Небо иницилизировано  ОК" \
    "Система самолетов иницилизирована  ОК"; do
    grep -qF "$(printf '%s' "$line" | iconv -f UTF-8 -t CP1251)" "$log" || fail "the log lacks: $line"
done
echo "install: OK"
