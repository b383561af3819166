#!/usr/bin/env bash
# Mod folders over the data: --check-data on the clean data, on the example mod and on a
# broken mod (no display needed), a missing mod folder, which layer a headless run loads its
# level from (case-insensitive, the last mod first, the command line over the settings), and
# the example mod's sky and extra map object in a window.
game=$(cd "$1" && pwd)
source "$(dirname "$0")/lib.sh"
terravik="$game/bin/terravik"
datagen="$game/../tools/terravik-datagen"
[ -x "$datagen" ] || skip "no data generator beside the game folder"
export XDG_CONFIG_HOME="$E2E_TMP/config"

# run NAME ARGS...: the game without a display; sets RC, output in NAME.out and NAME.err.
run() {
    local name=$1
    shift
    set +e
    env -u DISPLAY timeout 120 "$terravik" "$@" >"$E2E_TMP/$name.out" 2>"$E2E_TMP/$name.err"
    RC=$?
    set -e
}

run clean --check-data
[ "$RC" = 0 ] || fail "check-data on the clean data: status $RC: $(cat "$E2E_TMP/clean.err")"
grep -qE '^check-data: [0-9]+ files, 0 bad$' "$E2E_TMP/clean.out" || fail "summary: $(cat "$E2E_TMP/clean.out")"
[ ! -s "$E2E_TMP/clean.err" ] || fail "stderr on clean data: $(cat "$E2E_TMP/clean.err")"

example="$E2E_TMP/example"
"$datagen" --example-mod "$example" >/dev/null
run example --mod "$example" --check-data
[ "$RC" = 0 ] || fail "check-data on the example mod: status $RC: $(cat "$E2E_TMP/example.err")"
[ "$(cat "$E2E_TMP/example.err")" = "terravik: mods: $example" ] || fail "mods line: $(cat "$E2E_TMP/example.err")"

# A model cut short, and a model naming a texture nobody has: exactly those two lines.
broken="$E2E_TMP/broken"
mkdir -p "$broken/3dobjekt/su25" "$broken/3dobjekt/Fighter"
head -c 300 "$game/3DOBJEKT/Su25/1.3dk" >"$broken/3dobjekt/su25/1.3dk"
LC_ALL=C sed 's/FIGHTER\.jpg/FIGHTEQ.jpg/' "$game/3DOBJEKT/FIGHTER/s1.3dk" >"$broken/3dobjekt/Fighter/s1.3dk"
cmp -s "$game/3DOBJEKT/FIGHTER/s1.3dk" "$broken/3dobjekt/Fighter/s1.3dk" && fail "the fighter names no FIGHTER.jpg"
run broken --mod "$broken" --check-data
[ "$RC" = 1 ] || fail "check-data on the broken mod: status $RC"
grep -v '^terravik: mods: ' "$E2E_TMP/broken.err" | sort >"$E2E_TMP/broken.lines"
[ "$(wc -l <"$E2E_TMP/broken.lines")" = 2 ] || fail "want two lines: $(cat "$E2E_TMP/broken.err")"
grep -qE "^terravik: check-data: $broken/3dobjekt/su25/1\.3dk: offset [0-9]+: .+" "$E2E_TMP/broken.lines" ||
    fail "no line for the cut model: $(cat "$E2E_TMP/broken.lines")"
grep -qE "^terravik: check-data: /.*/3DOBJEKT/FIGHTER/FIGHTEQ\.jpg: missing$" "$E2E_TMP/broken.lines" ||
    fail "no line for the missing texture: $(cat "$E2E_TMP/broken.lines")"
grep -qE '^check-data: [0-9]+ files, 2 bad$' "$E2E_TMP/broken.out" || fail "summary: $(cat "$E2E_TMP/broken.out")"

run missing --mod "$E2E_TMP/nowhere" --headless --frames 1 --frame-ms 16
[ "$RC" = 2 ] || fail "a missing mod folder: status $RC"
[ "$(cat "$E2E_TMP/missing.err")" = "terravik: the mod folder $E2E_TMP/nowhere does not exist" ] ||
    fail "missing mod folder: $(cat "$E2E_TMP/missing.err")"

# The level decides the state a run reaches: an empty level (as WORLD\1.WRD) differs from
# the default one (as world/1.wrd in a later mod).
empty="$E2E_TMP/empty"
mkdir -p "$empty/WORLD"
printf '\0\0\0\0' >"$empty/WORLD/1.WRD"
level="$E2E_TMP/level"
mkdir -p "$level/world"
cp "$game/world/1.wrd" "$level/world/1.wrd"
hash_of() {  # hash_of NAME ARGS...: the state hash of a short headless run
    local name=$1
    shift
    run "$name" --headless --frames 30 --frame-ms 16 "$@"
    [ "$RC" = 0 ] || fail "$name: status $RC: $(cat "$E2E_TMP/$name.err")"
    sed -nE 's/.*state_hash ([0-9a-f]{16})$/\1/p' "$E2E_TMP/$name.out"
}
base_hash=$(hash_of base)
[ ! -s "$E2E_TMP/base.err" ] || fail "stderr without mods: $(cat "$E2E_TMP/base.err")"
empty_hash=$(hash_of empty --mod "$empty")
[ "$empty_hash" != "$base_hash" ] || fail "the mod's empty level was not loaded"
[ "$(hash_of later --mod "$empty" --mod "$level")" = "$base_hash" ] || fail "the later mod did not win"
[ "$(hash_of earlier --mod "$level" --mod "$empty")" = "$empty_hash" ] || fail "the earlier mod won"
mkdir -p "$XDG_CONFIG_HOME/terravik"
printf '[data]\nmods = %s\n' "$level" >"$XDG_CONFIG_HOME/terravik/settings.ini"
[ "$(hash_of settings --mod "$empty")" = "$empty_hash" ] || fail "the settings' mod won over --mod"
[ "$(cat "$E2E_TMP/settings.err")" = "terravik: mods: $level, $empty" ] || fail "mods line: $(cat "$E2E_TMP/settings.err")"
rm "$XDG_CONFIG_HOME/terravik/settings.ini"

# In a window: the example mod's sky is warm where the default one is blue, and its second
# windmill stands left of the sight.
start_xvfb
shot() {  # shot NAME ARGS...
    local name=$1
    shift
    set +e
    timeout 120 "$terravik" --windowed 800x600 --autostart --frames 10 --frame-ms 16 \
        --screenshot "$E2E_TMP/$name.png" "$@" >/dev/null 2>"$E2E_TMP/$name.err"
    RC=$?
    set -e
    [ "$RC" = 0 ] || fail "$name window: status $RC: $(cat "$E2E_TMP/$name.err")"
}
shot plain
shot modded --mod "$example"
blue=$(count_pixels "$E2E_TMP/plain.png" 200x50+500+0 'b > r + 20')
warm=$(count_pixels "$E2E_TMP/modded.png" 200x50+500+0 'r > b + 20')
[ "$blue" -gt 6000 ] && [ "$warm" -gt 6000 ] || fail "sky: $blue blue pixels without the mod, $warm warm with it"
for name in plain modded; do convert "$E2E_TMP/$name.png" -crop 120x140+100+220 +repage "$E2E_TMP/$name-mill.png"; done
changed=$(differing_pixels "$E2E_TMP/plain-mill.png" "$E2E_TMP/modded-mill.png")
[ "$changed" -gt 2000 ] || fail "no second windmill: $changed pixels differ where it stands"
echo "PASS"
