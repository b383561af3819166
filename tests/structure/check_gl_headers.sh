#!/usr/bin/env bash
# Fails when a header that the GL-free libraries may include names a GL type or includes a GL
# header. Only the GL halves (src/<module>/gl/) and the SDL application (src/sdl/) may: GPU
# objects belong to the renderer, and the simulation's records keep ids.
# Usage: check_gl_headers.sh SOURCE_DIR
set -u
src="${1:?usage: check_gl_headers.sh SOURCE_DIR}/src"
[ -d "$src" ] || { echo "terravik: no source folder at $src" >&2; exit 2; }

gl_types='\bGL(uint|int|enum|float|double|sizei|sizeiptr|intptr|boolean|bitfield|ubyte|byte|short|ushort|char|void)\b|\bGl(Buffer|Texture|Program|Name)\b|\bTextureCache\b|\bLoadTexture(NamedTimes|FromImage)?\('
# The GL texture owner, however it is held.
gl_types+='|\btv::Texture\b|\bclass Texture\b|<(const )?Texture\b|\bTexture [a-z][A-Za-z]*_?;'
gl_includes='^[[:space:]]*#[[:space:]]*include[[:space:]]*[<"](epoxy/|GL/|SDL2?/|[a-z_]+/gl/)'

status=0
headers=$(find "$src" -name '*.h' -not -path "$src/sdl/*" -not -path "$src/*/gl/*" | sort)
[ -n "$headers" ] || { echo "terravik: no headers under $src" >&2; exit 2; }
for h in $headers; do
    # Comments may speak of GL; code may not name it.
    hits=$(sed -e 's://.*$::' "$h" | grep -nE "$gl_types|$gl_includes")
    if [ -n "$hits" ]; then
        while IFS= read -r line; do echo "${h#"$src"/}:$line"; done <<<"$hits"
        status=1
    fi
done
if [ "$status" -ne 0 ]; then
    echo "terravik: the headers above are outside src/*/gl/ and src/sdl/ but name GL types or headers" >&2
fi
exit "$status"
