#!/usr/bin/env bash
# [interface] language = en: the title button and the HUD labels are English, the pictures
# differ from a Russian run's only where those texts are, the start-up log stays the Russian
# one byte for byte but for its time fields, and ui_scale = 2 draws the button twice as large.
game=$(cd "$1" && pwd)
source "$(dirname "$0")/lib.sh"

start_xvfb
data="$E2E_TMP/data"
cp -r "$game" "$data"
mkdir -p "$E2E_TMP/config"
printf '[interface]\nlanguage = ru\n' >"$E2E_TMP/config/ru.ini"
printf '[interface]\nlanguage = en\n' >"$E2E_TMP/config/en.ini"
printf '[interface]\nlanguage = en\nui_scale = 2\n' >"$E2E_TMP/config/en2.ini"

# run NAME CONFIG ARGS...: a windowed run of the game folder's executable on the copied data.
run() {
    local name=$1 config=$2
    shift 2
    timeout 120 "$game/bin/terravik" --config "$E2E_TMP/config/$config.ini" --data-dir "$data" \
        --windowed 1024x768 --screenshot "$E2E_TMP/$name.png" "$@" >"$E2E_TMP/$name.out" 2>"$E2E_TMP/$name.err" ||
        fail "$name exited $?: $(cat "$E2E_TMP/$name.err")"
    ! grep -q 'texts stay Russian' "$E2E_TMP/$name.err" || fail "$name: $(cat "$E2E_TMP/$name.err")"
}

# Differing pixels of two screenshots in all, and in one region (WxH+X+Y).
region_diff() {
    convert "$1" -crop "$3" +repage "$E2E_TMP/ra.png"
    convert "$2" -crop "$3" +repage "$E2E_TMP/rb.png"
    differing_pixels "$E2E_TMP/ra.png" "$E2E_TMP/rb.png"
}

for lang in ru en en2; do run "title-$lang" "$lang" --frames 3; done
# "Старт" and "Start": a caption's worth of pixels differ, all of them on the button.
all=$(differing_pixels "$E2E_TMP/title-ru.png" "$E2E_TMP/title-en.png")
on=$(region_diff "$E2E_TMP/title-ru.png" "$E2E_TMP/title-en.png" 75x25+760+24)
[ "$on" -gt 20 ] && [ "$all" = "$on" ] || fail "title: $all pixels differ, $on of them on the button"
button_shown "$E2E_TMP/title-en.png" 75x25+760+24 || fail "no English start button"
# Scaled twice: the 150 x 50 button moves in to fit the 1024-pixel window, its text is larger.
button_shown "$E2E_TMP/title-en2.png" 150x50+874+48 || fail "no 150x50 start button at ui_scale 2"
dark() { count_pixels "$1" "$2" 'r<100 && g<100 && b<100'; }
small=$(dark "$E2E_TMP/title-en.png" 75x25+760+24)
large=$(dark "$E2E_TMP/title-en2.png" 150x50+874+48)
[ "$large" -gt $((small * 3)) ] || fail "ui_scale 2 caption: $large dark pixels against $small"

for lang in ru en; do
    run "play-$lang" "$lang" --autostart --frame-ms 16 --frames 30
    cp "$data/Log_File.txt" "$E2E_TMP/log-$lang.txt"
done
# Same game, same picture, but for the HUD's labels in the top left corner and "Еще 50".
all=$(differing_pixels "$E2E_TMP/play-ru.png" "$E2E_TMP/play-en.png")
hud=$(region_diff "$E2E_TMP/play-ru.png" "$E2E_TMP/play-en.png" 700x160+0+0)
more=$(region_diff "$E2E_TMP/play-ru.png" "$E2E_TMP/play-en.png" 75x25+760+56)
[ "$hud" -gt 200 ] && [ "$more" -gt 20 ] && [ "$all" = $((hud + more)) ] ||
    fail "play: $all pixels differ, $hud of them in the HUD, $more on \"Еще 50\""

# The log: the Russian start-up lines in Windows-1251 in both languages.
grep -qF "$(printf 'Ландщафт создан ОК' | iconv -f UTF-8 -t CP1251)" "$E2E_TMP/log-en.txt" ||
    fail "the English run's log lacks its Russian lines"
cmp <(LC_ALL=C cut -b 24- "$E2E_TMP/log-ru.txt") <(LC_ALL=C cut -b 24- "$E2E_TMP/log-en.txt") ||
    fail "the English run's log differs from the Russian run's"
echo "english: OK"
