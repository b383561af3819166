#!/usr/bin/env bash
# A system with no fonts at all (none in /usr/share/fonts, none known to fontconfig): the game
# starts, plays and writes its captions in the DejaVu Sans it ships in its data; with that file
# broken too it falls back to the built-in font and says so, never aborting.
game=$(cd "$1" && pwd)
source "$(dirname "$0")/lib.sh"

# The fonts are hidden in a private mount namespace, which needs root.
unshare --mount sh -c 'mount -t tmpfs none /usr/share/fonts' 2>/dev/null ||
    skip "cannot hide the system fonts here (unshare --mount and mount need root)"

fc_conf() {  # fc_conf FILE [DIR]: a fontconfig configuration that knows only DIR's fonts, or none
    mkdir -p "$E2E_TMP/fc-cache"
    {
        echo '<?xml version="1.0"?><!DOCTYPE fontconfig SYSTEM "urn:fontconfig:fonts.dtd"><fontconfig>'
        [ -z "${2:-}" ] || echo "<dir>$2</dir>"
        echo "<cachedir>$E2E_TMP/fc-cache</cachedir></fontconfig>"
    } >"$1"
}
fc_conf "$E2E_TMP/none.conf"
# A command prefix: an empty /usr/share/fonts and fontconfig told of no folder.
no_fonts=(env FONTCONFIG_FILE="$E2E_TMP/none.conf"
    unshare --mount sh -c 'mount -t tmpfs none /usr/share/fonts && exec "$@"' sh)
[ -z "$("${no_fonts[@]}" fc-list)" ] || fail "fontconfig still lists fonts: $("${no_fonts[@]}" fc-list | head -n3)"
! "${no_fonts[@]}" test -e /usr/share/fonts/truetype/dejavu/DejaVuSans.ttf || fail "the system's DejaVu is still there"

to1251() { printf '%s' "$1" | iconv -f UTF-8 -t CP1251; }
# play NAME DATA [PREFIX...]: a fixed-step autostarted run of the game in a copy of the data,
# under the prefix command; RC, NAME.png, NAME.out, NAME.err.
play() {
    local name=$1 data=$2
    shift 2
    rm -f "$data/Log_File.txt"
    set +e
    timeout 120 "$@" "$data/bin/terravik" --windowed 1024x768 --autostart --frames 60 --frame-ms 16 \
        --screenshot "$E2E_TMP/$name.png" >"$E2E_TMP/$name.out" 2>"$E2E_TMP/$name.err"
    RC=$?
    set -e
}

start_xvfb
export ALSOFT_DRIVERS=null  # every step succeeds, so no question covers the picture
data="$E2E_TMP/game"
cp -a "$game" "$data"
[ -f "$data/fonts/DejaVuSans.ttf" ] && [ -f "$data/fonts/LICENSE-DejaVu.txt" ] ||
    fail "the game data has no fonts/DejaVuSans.ttf with its licence"

play bare "$data" "${no_fonts[@]}"
[ "$RC" = "0" ] || fail "without fonts: exit status $RC; stderr: $(cat "$E2E_TMP/bare.err")"
grep -qE '^60 frames in ' "$E2E_TMP/bare.out" || fail "without fonts: no frame report: $(cat "$E2E_TMP/bare.out")"
grep -q "font" "$E2E_TMP/bare.err" && fail "without fonts: a font complaint: $(cat "$E2E_TMP/bare.err")"
for line in "иницилизация opengl ОК" "Ландщафт создан ОК" "Турель иницилизирована  ОК" "Самолеты иницилизированы  ОК"; do
    LC_ALL=C grep -qF "$(to1251 "$line")" "$data/Log_File.txt" || fail "without fonts: the log lacks \"$line\""
done
button_shown "$E2E_TMP/bare.png" 75x25+760+56 || fail "without fonts: no \"Еще 50\" button"
dark=$(count_pixels "$E2E_TMP/bare.png" 75x25+760+56 'r<100 && g<100 && b<100')
[ "$dark" -gt 10 ] || fail "without fonts: no caption on \"Еще 50\" ($dark dark pixels)"

# The same run where fontconfig knows only the shipped font: the caption is drawn the same,
# in DejaVu Sans, not in the built-in font (which has no Cyrillic).
fc_conf "$E2E_TMP/shipped.conf" "$data/fonts"
play shipped "$data" env FONTCONFIG_FILE="$E2E_TMP/shipped.conf"
[ "$RC" = "0" ] || fail "shipped font only: exit status $RC; stderr: $(cat "$E2E_TMP/shipped.err")"
convert "$E2E_TMP/bare.png" -crop 75x25+760+56 +repage "$E2E_TMP/bare-caption.png"
convert "$E2E_TMP/shipped.png" -crop 75x25+760+56 +repage "$E2E_TMP/shipped-caption.png"
differ=$(differing_pixels "$E2E_TMP/bare-caption.png" "$E2E_TMP/shipped-caption.png")
[ "$differ" = "0" ] || fail "without fonts the caption is not drawn in DejaVu Sans ($differ pixels differ)"

# The shipped font cut short: the built-in font, one line saying so, and the game plays.
head -c 4096 "$game/fonts/DejaVuSans.ttf" >"$data/fonts/DejaVuSans.ttf"
play broken "$data" "${no_fonts[@]}"
[ "$RC" = "0" ] || fail "broken shipped font: exit status $RC; stderr: $(cat "$E2E_TMP/broken.err")"
grep -qE '^60 frames in ' "$E2E_TMP/broken.out" || fail "broken shipped font: no frame report"
grep -q "no font with Cyrillic letters found" "$E2E_TMP/broken.err" ||
    fail "broken shipped font: no line about the font: $(cat "$E2E_TMP/broken.err")"
button_shown "$E2E_TMP/broken.png" 75x25+760+56 || fail "broken shipped font: no \"Еще 50\" button"
echo "ok: no system fonts: exit 0, the log's lines, \"Еще 50\" in DejaVu Sans ($dark dark pixels); broken shipped font: built-in font, exit 0"
