#!/usr/bin/env bash
# terravik-import from the command line: a glTF made by another tool becomes a model the
# inspector reads and the preview draws; a file that crashes the asset importer, or a usage
# error, is reported and writes nothing.
game=$(cd "$1" && pwd)
source "$(dirname "$0")/lib.sh"
import=$game/bin/terravik-import
models=/usr/share/assimp/models
[ -d "$models" ] || fail "no $models: install assimp-testmodels"

out=$E2E_TMP/box
mkdir -p "$out"
"$import" "$models/glTF2/BoxTextured-glTF-Binary/BoxTextured.glb" "$out/box.3dk" --scale 2 >"$E2E_TMP/out.txt" ||
    fail "the import failed"
grep -qx "$out/box.3dk: 12 triangles, 1 bones, 0 animations, 1 textures" "$E2E_TMP/out.txt" ||
    fail "summary: $(cat "$E2E_TMP/out.txt")"
"$game/bin/terravik-inspect" "$out/box.3dk" | grep -q '"box_size":\[2,2,2\]' || fail "the inspector reads another box"
SDL_VIDEODRIVER=offscreen "$game/bin/terravik-inspect" --render "$out/box.3dk" "$E2E_TMP/box.png" ||
    fail "the preview could not draw it"
# The textured box covers a good part of each view, in the texture's blue and green.
blue=$(convert "$E2E_TMP/box.png" -fx '(b > 0.7 && r < 0.6) ? 1 : 0' -format '%[fx:mean]' info:)
awk -v m="$blue" 'BEGIN { exit !(m > 0.02) }' || fail "the preview shows no textured box ($blue blue)"

# glTF skins without inverse bind matrices crash this version of the importer's glTF reader.
python3 - "$E2E_TMP" <<'PY'
import json, struct, sys
d = sys.argv[1]
open(d + "/t.bin", "wb").write(struct.pack("<9f", 0, 0, 0, 1, 0, 0, 0, 1, 0) + bytes(12) + struct.pack("<12f", *([1, 0, 0, 0] * 3)))
json.dump({"asset": {"version": "2.0"}, "scene": 0, "scenes": [{"nodes": [0]}],
           "nodes": [{"mesh": 0, "skin": 0, "children": [1]}, {}], "skins": [{"joints": [1]}],
           "meshes": [{"primitives": [{"attributes": {"POSITION": 0, "JOINTS_0": 1, "WEIGHTS_0": 2}}]}],
           "buffers": [{"byteLength": 96, "uri": "t.bin"}],
           "bufferViews": [{"buffer": 0, "byteOffset": 0, "byteLength": 36}, {"buffer": 0, "byteOffset": 36, "byteLength": 12},
                           {"buffer": 0, "byteOffset": 48, "byteLength": 48}],
           "accessors": [{"bufferView": 0, "componentType": 5126, "count": 3, "type": "VEC3", "min": [0, 0, 0], "max": [1, 1, 0]},
                         {"bufferView": 1, "componentType": 5121, "count": 3, "type": "VEC4"},
                         {"bufferView": 2, "componentType": 5126, "count": 3, "type": "VEC4"}]},
          open(d + "/t.gltf", "w"))
PY
set +e
"$import" "$E2E_TMP/t.gltf" "$E2E_TMP/t.3dk" 2>"$E2E_TMP/err.txt"
rc=$?
"$import" "$E2E_TMP/t.gltf" "$E2E_TMP/u.3dk" --up x 2>/dev/null
usage=$?
set -e
[ "$rc" = "1" ] || fail "a bad file exited $rc: $(cat "$E2E_TMP/err.txt")"
[ "$(wc -l <"$E2E_TMP/err.txt")" = "1" ] && grep -q "^terravik-import: $E2E_TMP/t.gltf: " "$E2E_TMP/err.txt" ||
    fail "not one line naming the file: $(cat "$E2E_TMP/err.txt")"
[ ! -e "$E2E_TMP/t.3dk" ] || fail "a model was written for a bad file"
[ "$usage" = "2" ] || fail "--up x exited $usage"
echo "import: OK"
