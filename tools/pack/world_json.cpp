// Levels (.wrd), terrains (.wrd.map) and particle systems (.kpr) as documents.
#include "common/binary_io.h"
#include "json_codec.h"
#include "world/particle_file.h"
#include "world/terrain_file.h"
#include "world/water.h"

namespace tv::json {
namespace {

// ---------------------------------------------------------------------------------------------
// Levels: each record's blocks as they stand in the file. A model record whose model is a
// water or an emitter (its object kind, 4 or 5) carries that block after its own.

struct Placement {
    Vec3 position;
    std::array<float, 12> rotation{};
    uint32_t spareA = 0;
};

void ReadPlacementFields(ShortReadCursor& c, Placement& p) {
    c.F32(p.position.x);
    c.F32(p.position.y);
    c.F32(p.position.z);
    for (float& v : p.rotation) c.F32(v);
    c.U32(p.spareA);
}

void WritePlacementJson(Out& o, const Placement& p) {
    o.Key("position").V3(p.position);
    o.Key("rotation").Floats(p.rotation.data(), 12);
    o.Key("spare_a").Int(p.spareA);
}

// Position, rotation, spare, animation time, spare, animated flag, model path, second name.
void ModelFieldsJson(Out& o, ShortReadCursor& c) {
    Placement p;
    ReadPlacementFields(c, p);
    float animTime = 0.0f;
    uint32_t spareB = 0;
    uint8_t animated = 0;
    std::string path, second;
    c.F32(animTime);
    c.U32(spareB);
    c.U8(animated);
    c.String(path);
    c.String(second);
    WritePlacementJson(o, p);
    o.Key("anim_time").F32(animTime);
    o.Key("spare_b").Int(spareB);
    o.Key("animated").Int(animated);
    o.Key("model_path").Text(path);
    o.Key("second_name").Text(second);
}

}  // namespace

std::string FullLevel(const std::vector<uint8_t>& bytes, const std::string& fileName,
                      const ModelKindLookup& modelKind) {
    // The game's reader decides each model record's kind (its model's object-kind byte).
    const LevelFile level = ReadLevel(bytes, fileName, modelKind);
    ShortReadCursor c(bytes, fileName);
    int32_t count = 0;
    c.I32(count);
    Out o;
    Header(o, "level");
    o.Key("object_count").Int(count);
    o.Key("objects").Open('[', true);
    for (const LevelObject& rec : level.objects) {
        uint8_t type = 0;
        c.U8(type);
        o.Open('{', true);
        o.Key("type").Int(type);
        uint8_t kind = type;
        if (type == kLevelModel) {
            kind = rec.kind;
            o.Key("kind").Int(kind);
            o.Key("model").Open('{', true);
            ModelFieldsJson(o, c);
            o.Close('}');
        }
        if (kind == kLevelWater) {
            o.Key("water").Open('{', true);
            ModelFieldsJson(o, c);
            float grid = 0.0f, damping = 0.0f;
            int32_t side = 0;
            std::string texture;
            c.F32(grid);
            c.I32(side);
            c.F32(damping);
            c.String(texture);
            o.Key("grid_points").F32(grid);
            o.Key("side_length").Int(side);
            o.Key("damping").F32(damping);
            o.Key("texture_name").Text(texture);
            o.Close('}');
        }
        if (kind == kLevelEmitter) {
            o.Key("emitter").Open('{', true);
            Placement p;
            ReadPlacementFields(c, p);
            std::string particles, second;
            c.String(particles);
            c.String(second);
            WritePlacementJson(o, p);
            o.Key("particle_file").Text(particles);
            o.Key("second_name").Text(second);
            o.Close('}');
        }
        o.Close('}');
    }
    o.Close(']');
    if (c.Cut()) {
        throw DataError(fileName, c.CutOffset(), "objects",
                        "the file ends inside a record: JSON cannot carry a cut record exactly");
    }
    Trailing(o, bytes, c.Offset());
    return o.Take();
}

namespace {

void PackPlacement(Obj& b, ByteWriter& out) {
    const Vec3 p = b.V3("position");
    float rot[12];
    b.Floats("rotation", rot, 12);
    out.F32(p.x);
    out.F32(p.y);
    out.F32(p.z);
    for (float v : rot) out.F32(v);
    out.U32(b.U32("spare_a"));
}

void PackModelFields(Obj& b, ByteWriter& out) {
    PackPlacement(b, out);
    out.F32(b.F32("anim_time"));
    out.U32(b.U32("spare_b"));
    out.U8(b.U8("animated"));
    out.LengthPrefixedString(b.Text("model_path"));
    out.LengthPrefixedString(b.Text("second_name"));
}

// The water code's grid side for a grid-points value, as the level reader counts it.
uint64_t WaterCells(float gridPoints) {
    const float t = std::isfinite(gridPoints) ? std::trunc(gridPoints) : 0.0f;
    const uint64_t side =
        t > static_cast<float>(kMaxWaterGridCount)
            ? kMaxWaterGridCount
            : static_cast<uint64_t>(std::max(kMinWaterGridCount, t < 0.0f ? 0 : static_cast<int>(t)));
    return side * side;
}

}  // namespace

std::vector<uint8_t> PackLevel(Walk& w, Obj& o) {
    ByteWriter out;
    const int32_t count = o.I32("object_count");
    if (count > static_cast<int64_t>(kMaxLevelObjects)) {
        o.In("object_count", [&](uint32_t) -> int {
            w.Fail("count " + std::to_string(count) + " exceeds the cap of " +
                   std::to_string(kMaxLevelObjects));
        });
    }
    const int64_t want = std::max(count, 0);
    const int64_t have =
        o.In("objects", [&](uint32_t n) { return static_cast<int64_t>(w.Doc().At(w.Array(n, -1)).a); });
    if (have != want) {
        o.In("objects", [&](uint32_t) -> int {
            w.Fail("holds " + std::to_string(have) + " records but object_count is " + std::to_string(count));
        });
    }
    out.I32(count);
    uint32_t waters = 0, emitters = 0;
    uint64_t cells = 0;
    o.In("objects", [&](uint32_t n) {
        w.Each(n, [&](uint32_t e) {
            Obj r(w, e);
            const uint8_t type = r.U8("type");
            out.U8(type);
            uint8_t kind = type;
            if (type == kLevelModel) {
                kind = r.U8("kind");
                r.In("model", [&](uint32_t b) {
                    Obj m(w, b);
                    PackModelFields(m, out);
                    m.Done();
                });
            }
            if (kind == kLevelWater) {
                if (++waters > kMaxLevelWaters)
                    w.Fail("more than " + std::to_string(kMaxLevelWaters) + " waters");
                r.In("water", [&](uint32_t b) {
                    Obj m(w, b);
                    PackModelFields(m, out);
                    const float grid = m.F32("grid_points");
                    cells += WaterCells(grid);
                    if (cells > kMaxLevelWaterCells) {
                        m.In("grid_points", [&](uint32_t) -> int {
                            w.Fail("the level's water grids exceed " + std::to_string(kMaxLevelWaterCells) +
                                   " cells");
                        });
                    }
                    out.F32(grid);
                    out.I32(m.I32("side_length"));
                    out.F32(m.F32("damping"));
                    out.LengthPrefixedString(m.Text("texture_name"));
                    m.Done();
                });
            }
            if (kind == kLevelEmitter) {
                if (++emitters > kMaxLevelEmitters)
                    w.Fail("more than " + std::to_string(kMaxLevelEmitters) + " emitters");
                r.In("emitter", [&](uint32_t b) {
                    Obj m(w, b);
                    PackPlacement(m, out);
                    out.LengthPrefixedString(m.Text("particle_file"));
                    out.LengthPrefixedString(m.Text("second_name"));
                    m.Done();
                });
            }
            r.Done("not a member of a record of type " + std::to_string(type) + " and kind " +
                   std::to_string(kind));
        });
    });
    if (o.Has("trailing")) o.In("trailing", [](uint32_t) {});
    o.Done();
    AppendTrailing(o, w, out.Data());
    return std::move(out.Data());
}

// ---------------------------------------------------------------------------------------------
// Terrains: heights as N + 1 rows of N + 1, texture coordinates as N rows of N cells of 12.

std::string FullTerrain(const std::vector<uint8_t>& bytes, const std::string& fileName) {
    const TerrainFile t = ReadTerrain(bytes, fileName);
    const size_t tail = TrailingStart(bytes, WriteTerrain(t), fileName);
    const size_t n = static_cast<size_t>(t.GridSize);
    Out o;
    Header(o, "terrain");
    o.Key("grid_size").Int(t.GridSize);
    o.Key("size").F32(t.Size);
    o.Key("heights").Open('[', true);
    for (size_t i = 0; i <= n; ++i) o.Floats(&t.Heights[i * (n + 1)], n + 1);
    o.Close(']');
    o.Key("texcoords").Open('[', true);
    for (size_t i = 0; i < n; ++i) {
        o.Open('[', false);
        for (size_t j = 0; j < n; ++j) o.Floats(&t.TexCoords[(i * n + j) * 12], 12);
        o.Close(']');
    }
    o.Close(']');
    o.Key("texture_name_count").Int(t.TextureNameCount);
    o.Key("texture_names").Open('[', true);
    for (const std::string& name : t.TextureNames) o.Text(name);
    o.Close(']');
    Trailing(o, bytes, tail);
    return o.Take();
}

std::vector<uint8_t> PackTerrain(Walk& w, Obj& o) {
    TerrainFile t;
    t.GridSize = static_cast<int32_t>(o.Int("grid_size", 1, kMaxTerrainGrid));
    t.Size = o.F32("size");
    const size_t n = static_cast<size_t>(t.GridSize);
    t.Heights.resize((n + 1) * (n + 1));
    t.TexCoords.resize(n * n * 12);
    o.In("heights", [&](uint32_t a) {
        w.Array(a, static_cast<int64_t>(n + 1));
        size_t i = 0;
        w.Each(a, [&](uint32_t row) { w.FloatsAt(row, &t.Heights[(i++) * (n + 1)], n + 1); });
    });
    o.In("texcoords", [&](uint32_t a) {
        w.Array(a, static_cast<int64_t>(n));
        size_t i = 0;
        w.Each(a, [&](uint32_t row) {
            w.Array(row, static_cast<int64_t>(n));
            size_t j = 0;
            w.Each(row, [&](uint32_t cell) { w.FloatsAt(cell, &t.TexCoords[(i * n + j++) * 12], 12); });
            ++i;
        });
    });
    t.TextureNameCount = CountOf(o, w, "texture_name_count", "texture_names", kMaxTerrainTextureNames);
    o.In("texture_names",
         [&](uint32_t a) { w.Each(a, [&](uint32_t e) { t.TextureNames.push_back(w.Text(e)); }); });
    if (o.Has("trailing")) o.In("trailing", [](uint32_t) {});
    o.Done();
    std::vector<uint8_t> bytes = WriteTerrain(t);
    AppendTrailing(o, w, bytes);
    return bytes;
}

// ---------------------------------------------------------------------------------------------
// Particle systems.

std::string FullParticles(const std::vector<uint8_t>& bytes, const std::string& fileName) {
    const ParticleFile p = ReadParticles(bytes, fileName);
    const size_t tail = TrailingStart(bytes, WriteParticles(p), fileName);
    Out o;
    Header(o, "particles");
    o.Key("count").Int(p.Count);
    o.Key("colour").Floats(p.Colour.data(), 4);
    o.Key("colour_change").Floats(p.ColourDelta.data(), 4);
    o.Key("emit_centre").V3(p.EmitCentre);
    o.Key("target_centre").V3(p.TargetCentre);
    o.Key("speed").F32(p.Speed);
    o.Key("start_size").F32(p.StartSize);
    o.Key("size_change").F32(p.SizeDelta);
    o.Key("emit_spread").F32(p.EmitSpread);
    o.Key("target_spread").F32(p.TargetSpread);
    o.Key("period").F32(p.Period);
    o.Key("blend_mode").Int(p.BlendMode);
    o.Key("texture_name").Text(p.TextureName);
    Trailing(o, bytes, tail);
    return o.Take();
}

std::vector<uint8_t> PackParticles(Walk& w, Obj& o) {
    ParticleFile p;
    p.Count = o.I32("count");
    o.Floats("colour", p.Colour.data(), 4);
    o.Floats("colour_change", p.ColourDelta.data(), 4);
    p.EmitCentre = o.V3("emit_centre");
    p.TargetCentre = o.V3("target_centre");
    p.Speed = o.F32("speed");
    p.StartSize = o.F32("start_size");
    p.SizeDelta = o.F32("size_change");
    p.EmitSpread = o.F32("emit_spread");
    p.TargetSpread = o.F32("target_spread");
    p.Period = o.F32("period");
    p.BlendMode = o.U8("blend_mode");
    p.TextureName = o.Text("texture_name");
    if (o.Has("trailing")) o.In("trailing", [](uint32_t) {});
    o.Done();
    std::vector<uint8_t> bytes = WriteParticles(p);
    AppendTrailing(o, w, bytes);
    return bytes;
}

}  // namespace tv::json
