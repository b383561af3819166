#include "inspect_formats.h"

#include <algorithm>
#include <cctype>

#include "audio/wav_file.h"
#include "common/binary_io.h"
#include "format_json.h"
#include "json_line.h"
#include "models/model_file.h"
#include "models/smd_file.h"
#include "platform/paths.h"
#include "world/level_file.h"
#include "world/particle_file.h"
#include "world/terrain_file.h"

namespace tv::inspect {
namespace {

using json::EndsWithNoCase;

void Quat(JsonLine& j, const Quaternion& q) {
    j.BeginArray().Float(q.x).Float(q.y).Float(q.z).Float(q.w).EndArray();
}

void Triangle(JsonLine& j, const ModelFile& m, const ModelTriangle& t) {
    j.BeginArray();
    for (const ModelVertex& v : t.v) {
        j.BeginObject();
        j.Key("position").Vec(v.position);
        j.Key("normal").Vec(v.normal);
        j.Key("texcoord").BeginArray().Float(v.s).Float(v.t).EndArray();
        j.Key("bones").BeginArray();
        if (m.ModelType == ModelType::SkinnedBuffer) {
            for (const BoneWeight& w : v.weights) j.BeginArray().Int(w.bone).Float(w.weight).EndArray();
        } else if (m.ModelType == ModelType::CpuSkinned) {
            j.BeginArray().Int(v.bone).Float(1.0f).EndArray();
        }
        j.EndArray();
        j.EndObject();
    }
    j.EndArray();
}

}  // namespace

std::string FormatForPath(const std::string& path) {
    if (EndsWithNoCase(path, ".3dk")) return "model";
    if (EndsWithNoCase(path, ".smd")) return "animation";
    if (EndsWithNoCase(path, ".wrd")) return "level";
    if (EndsWithNoCase(path, ".map")) return "terrain";
    if (EndsWithNoCase(path, ".kpr")) return "particles";
    if (EndsWithNoCase(path, ".wav")) return "wave";
    return "";
}

std::string InspectModel(const std::vector<uint8_t>& bytes, const std::string& fileName) {
    const ModelFile m = ReadModel(bytes, fileName);
    JsonLine j;
    j.BeginObject();
    j.Key("format").Text("model");
    j.Key("model_type").Int(static_cast<uint8_t>(m.ModelType));
    j.Key("object_kind").Int(m.ObjectKind);
    j.Key("bone_parents").Ints(m.BoneParents);
    j.Key("triangle_count").Int(static_cast<int64_t>(m.Triangles.size()));
    j.Key("rest_pose").BeginArray();
    for (const RestBone& b : m.RestPose) {
        j.BeginObject();
        j.Key("position").Vec(b.position);
        j.Key("rotation").Vec(b.rotation);
        j.Key("quaternion");
        Quat(j, EulerToQuaternion(b.rotation));
        j.EndObject();
    }
    j.EndArray();
    j.Key("draw_groups").BeginArray();
    for (const DrawGroup& g : m.DrawGroups) j.BeginArray().Int(g.first).Int(g.triangleCount).EndArray();
    j.EndArray();
    j.Key("texture_names").BeginArray();
    for (const std::string& n : m.TextureNames) j.Text(n);
    j.EndArray();
    j.Key("box_size").Vec(m.BoxSize);
    j.Key("box_centre").Vec(m.BoxCentre);
    // Models without a body (unknown type bytes) keep their corners at the origin.
    j.Key("corners").BeginArray();
    for (const Vec3& c : ModelBoxCorners(m.BoxCentre, m.BoxSize)) j.Vec(c);
    j.EndArray();
    j.Key("radius").Float(ModelRadius(m.BoxCentre, m.BoxSize));
    j.Key("collision_boxes").BeginArray();
    for (const TCUB& b : m.CollisionBoxes) {
        j.BeginObject();
        j.Key("centre").Vec(b.centre);
        j.Key("size").Vec(b.size);
        j.Key("angles").Vec(b.angles);
        j.Key("name").Text(b.name);
        j.EndObject();
    }
    j.EndArray();
    j.Key("collision_spheres").BeginArray();
    for (const TSfera_Phiziki& s : m.CollisionSpheres) {
        j.BeginObject();
        j.Key("centre").Vec(s.centre);
        j.Key("radius").Float(s.radius);
        j.Key("name").Text(s.name);
        j.EndObject();
    }
    j.EndArray();
    j.Key("body_parameter").Int(m.BodyParameter);
    j.Key("transparent").Int(m.Transparent);
    j.Key("static").Int(m.Static);
    j.Key("vector_a").Vec(m.VectorA);
    j.Key("vector_b").Vec(m.VectorB);
    j.Key("billboard");
    if (m.ModelType == ModelType::Billboard) {
        j.BeginObject();
        j.Key("half_width").Float(m.Billboard.halfWidth);
        j.Key("height").Float(m.Billboard.height);
        j.Key("extra").Floats(m.Billboard.extra.data(), 4);
        j.EndObject();
    } else {
        j.Null();
    }
    j.Key("first_triangle");
    if (m.Triangles.empty())
        j.Null();
    else
        Triangle(j, m, m.Triangles.front());
    j.Key("last_triangle");
    if (m.Triangles.empty())
        j.Null();
    else
        Triangle(j, m, m.Triangles.back());
    j.EndObject();
    return j.Str();
}

std::string InspectAnimation(const std::vector<uint8_t>& bytes, const std::string& fileName) {
    const SmdAnimation a = ReadSmd(bytes, fileName);
    JsonLine j;
    j.BeginObject();
    j.Key("format").Text("animation");
    j.Key("frames").BeginArray();
    for (const SmdFrame& f : a.frames) {
        j.BeginObject().Key("bones").BeginArray();
        for (const SmdBonePose& b : f.bones) {
            j.BeginObject();
            j.Key("position").Vec(b.position);
            j.Key("rotation").Vec(b.rotation);
            j.Key("quaternion");
            Quat(j, b.quaternion);
            j.EndObject();
        }
        j.EndArray().EndObject();
    }
    j.EndArray();
    j.EndObject();
    return j.Str();
}

namespace {

// The object-kind byte of the models a level names, read from the files under dataDir.
ModelKindLookup ModelKindsUnder(const std::string& dataDir) {
    return [dataDir](const std::string& modelPath) -> uint8_t {
        const std::string path = ResolvePath(DataPath(dataDir, modelPath));
        const std::vector<uint8_t> model = ReadWholeFile(path);
        if (model.size() < 2) throw DataError(path, model.size(), "object kind", "model file too short");
        return model[1];
    };
}

}  // namespace

std::string InspectLevel(const std::vector<uint8_t>& bytes, const std::string& fileName,
                         const std::string& dataDir) {
    const LevelFile level = ReadLevel(bytes, fileName, ModelKindsUnder(dataDir));
    JsonLine j;
    j.BeginObject();
    j.Key("format").Text("level");
    j.Key("object_count").Int(level.objectCount);
    j.Key("objects").BeginArray();
    for (const LevelObject& o : level.objects) {
        j.BeginObject();
        j.Key("type_byte").Int(o.typeByte);
        j.Key("kind").Int(o.kind);
        j.Key("position").Vec(o.position);
        j.Key("rotation").Floats(o.rotation.data(), o.rotation.size());
        j.Key("anim_time").Float(o.animTime);
        j.Key("animated").Int(o.animated);
        j.Key("model_path").Text(o.modelPath);
        j.Key("second_name").Text(o.secondName);
        if (o.hasWaterBlock) {
            j.Key("grid_points").Float(o.gridPoints);
            j.Key("side_length").Int(o.sideLength);
            j.Key("damping").Float(o.damping);
            j.Key("texture_name").Text(o.textureName);
        }
        if (o.hasEmitterBlock) j.Key("particle_file").Text(o.particleFile);
        j.EndObject();
    }
    j.EndArray();
    j.EndObject();
    return j.Str();
}

std::string InspectTerrain(const std::vector<uint8_t>& bytes, const std::string& fileName) {
    const TerrainFile t = ReadTerrain(bytes, fileName);
    const int n = t.GridSize;
    const auto [lo, hi] = std::minmax_element(t.Heights.begin(), t.Heights.end());
    JsonLine j;
    j.BeginObject();
    j.Key("format").Text("terrain");
    j.Key("grid_size").Int(n);
    j.Key("size").Float(t.Size);
    j.Key("height_min").Float(*lo);
    j.Key("height_max").Float(*hi);
    j.Key("corner_heights").BeginArray();
    j.Float(t.Height(0, 0)).Float(t.Height(0, n)).Float(t.Height(n, 0)).Float(t.Height(n, n));
    j.EndArray();
    j.Key("texture_name_count").Int(t.TextureNameCount);
    j.Key("texture_name").Text(t.TextureName);
    j.Key("first_cell_texcoords").Floats(t.CellTexCoords(0, 0), 12);
    j.EndObject();
    return j.Str();
}

std::string InspectParticles(const std::vector<uint8_t>& bytes, const std::string& fileName) {
    const ParticleFile p = ReadParticles(bytes, fileName);
    JsonLine j;
    j.BeginObject();
    j.Key("format").Text("particles");
    j.Key("count").Int(p.Count);
    j.Key("colour").Floats(p.Colour.data(), 4);
    j.Key("colour_change").Floats(p.ColourDelta.data(), 4);
    j.Key("emit_centre").Vec(p.EmitCentre);
    j.Key("target_centre").Vec(p.TargetCentre);
    j.Key("speed").Float(p.Speed);
    j.Key("start_size").Float(p.StartSize);
    j.Key("size_change").Float(p.SizeDelta);
    j.Key("emit_spread").Float(p.EmitSpread);
    j.Key("target_spread").Float(p.TargetSpread);
    j.Key("period").Float(p.Period);
    j.Key("blend_mode").Int(p.BlendMode);
    j.Key("texture_name").Text(p.TextureName);
    j.Key("radius").Float(ParticleRadius(p));
    j.EndObject();
    return j.Str();
}

std::string InspectWave(const std::vector<uint8_t>& bytes, const std::string& fileName) {
    const WaveFile w = ReadWave(bytes, fileName);
    JsonLine j;
    j.BeginObject();
    j.Key("format").Text("wave");
    j.Key("format_tag").Int(w.FormatTag);
    j.Key("channels").Int(w.Channels);
    j.Key("rate").Int(w.Rate);
    j.Key("bits").Int(w.Bits);
    j.Key("block_align").Int(w.BlockAlign);
    j.Key("bytes_per_second").Int(w.BytesPerSecond);
    j.Key("data_bytes").Int(static_cast<int64_t>(w.Samples.size()));
    j.EndObject();
    return j.Str();
}

std::string InspectFile(const std::string& path, const std::string& dataDir) {
    const std::string format = FormatForPath(path);
    if (format.empty())
        throw DataError(path, 0, "file", "unknown extension (expected .3dk .smd .wrd .map .kpr .wav)");
    const std::vector<uint8_t> bytes = ReadWholeFile(path);
    if (format == "model") return InspectModel(bytes, path);
    if (format == "animation") return InspectAnimation(bytes, path);
    if (format == "level") return InspectLevel(bytes, path, dataDir);
    if (format == "terrain") return InspectTerrain(bytes, path);
    if (format == "particles") return InspectParticles(bytes, path);
    return InspectWave(bytes, path);
}

std::string FullFile(const std::string& path, const std::string& dataDir) {
    json::FileFormat format;
    if (!json::FormatForName(path, format)) {
        throw DataError(path, 0, "file", "--full reads .3dk .wrd .map .kpr files only");
    }
    return json::FullJson(ReadWholeFile(path), path, format, ModelKindsUnder(dataDir));
}

}  // namespace tv::inspect
