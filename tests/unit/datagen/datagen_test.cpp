// The generated data set: deterministic, complete, readable, and shaped the way the game's
// code expects it (the turret aims where the camera looks, aircraft point their noses along
// +z, textures come out of the image loader the right way up, loops join cleanly).

#include <IL/il.h>
#include <gtest/gtest.h>
#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <unistd.h>

#include "audio/wav_file.h"
#include "common/binary_io.h"
#include "common/data_paths.h"
#include "models/bone_math.h"
#include "models/model_file.h"
#include "models/smd_file.h"
#include "world/level_file.h"
#include "world/particle_file.h"
#include "world/terrain_file.h"

namespace fs = std::filesystem;

namespace tv {
namespace {

const std::string kGenerator = std::string(TERRAVIK_GAME_DIR) + "/../tools/terravik-datagen";

// Generates the set twice with two separate runs of the generator. ctest runs every test
// case as its own process, several at once: the results are kept per generator build (its
// size and time stamp name the folders) and each folder appears complete or not at all.
class DataSet : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        auto stamp = std::to_string(fs::file_size(kGenerator)) + "-" +
                     std::to_string(fs::last_write_time(kGenerator).time_since_epoch().count());
        for (const char* run : {"a", "b"}) {
            fs::path dir = fs::path(TERRAVIK_TEST_TMP) / ("datagen-" + stamp + "-" + run);
            if (run[0] == 'a') root_ = dir.string();
            else other_ = dir.string();
            if (fs::exists(dir)) continue;
            fs::path tmp = fs::path(TERRAVIK_TEST_TMP) / ("datagen-tmp-" + std::to_string(::getpid()) + "-" + run);
            fs::remove_all(tmp);
            std::string cmd = "\"" + kGenerator + "\" --out \"" + tmp.string() + "\" > /dev/null";
            ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
            std::error_code ec;
            fs::rename(tmp, dir, ec);  // fails if another test process got there first
            if (ec) fs::remove_all(tmp);
            ASSERT_TRUE(fs::exists(dir));
        }
        // Sets of earlier generator builds only take space.
        std::error_code ec;
        for (auto& e : fs::directory_iterator(TERRAVIK_TEST_TMP, ec)) {
            std::string name = e.path().filename().string();
            if (name.rfind("datagen-", 0) == 0 && name.rfind("datagen-tmp-", 0) != 0 && name.find(stamp) == std::string::npos)
                fs::remove_all(e.path(), ec);
        }
    }
    static std::string Path(std::string_view gamePath) {
        std::string rel(gamePath);
        for (char& c : rel)
            if (c == '\\') c = '/';
        return root_ + "/" + rel;
    }
    static std::string Folder(std::string_view gamePath) {
        std::string p(gamePath);
        return p.substr(0, p.rfind('\\') + 1);
    }
    static inline std::string root_, other_;
};

std::map<std::string, std::vector<uint8_t>> Tree(const fs::path& dir) {
    std::map<std::string, std::vector<uint8_t>> files;
    for (auto& e : fs::recursive_directory_iterator(dir))
        if (e.is_regular_file()) files[fs::relative(e.path(), dir).string()] = ReadWholeFile(e.path().string());
    return files;
}

TEST_F(DataSet, TwoRunsWriteTheSameBytes) {
    auto a = Tree(root_);
    auto b = Tree(other_);
    ASSERT_GT(a.size(), 50u);
    ASSERT_EQ(a.size(), b.size());
    for (auto& [name, bytes] : a) {
        ASSERT_TRUE(b.count(name)) << name;
        EXPECT_TRUE(bytes == b[name]) << name << " differs between runs";
    }
}

// Everything the game opens: the fixed paths, and everything the level, the models and the
// particle descriptions name, followed the way the loaders follow them.
TEST_F(DataSet, EveryFileTheGameOpensExistsAndReads) {
    for (const std::string& p : paths::FixedGameFiles()) EXPECT_TRUE(fs::is_regular_file(Path(p))) << p;

    auto checkModel = [&](const std::string& gamePath) {
        SCOPED_TRACE(gamePath);
        ModelFile m = ReadModelFile(Path(gamePath));
        EXPECT_TRUE(m.HasBody());
        for (const std::string& tex : m.TextureNames) {
            std::string texPath = tex == "NOTEXTURE" ? std::string(paths::kNoTexture) : Folder(gamePath) + tex;
            EXPECT_TRUE(fs::is_regular_file(Path(texPath))) << texPath;
        }
        size_t grouped = 0;
        for (auto& g : m.DrawGroups) grouped += g.triangleCount;
        EXPECT_EQ(grouped, m.Triangles.size());
        EXPECT_LE(m.DrawGroups.size(), m.TextureNames.size());
        return m;
    };
    for (auto p : {paths::kTurretModel, paths::kSkyModel, paths::kSu25Model, paths::kSu25Wreck, paths::kStealthModel,
                   paths::kStealthWreck, paths::kFighterModel, paths::kFighterWreck, paths::kBossModel, paths::kBossWreck})
        checkModel(std::string(p));
    for (auto list : {std::vector<std::string_view>(paths::kSu25Fragments.begin(), paths::kSu25Fragments.end()),
                      std::vector<std::string_view>(paths::kStealthFragments.begin(), paths::kStealthFragments.end()),
                      std::vector<std::string_view>(paths::kFighterFragments.begin(), paths::kFighterFragments.end()),
                      std::vector<std::string_view>(paths::kBossFragments.begin(), paths::kBossFragments.end())})
        for (auto p : list) checkModel(std::string(p));

    TerrainFile terrain = ReadTerrainFile(Path(std::string(paths::kLevel) + std::string(paths::kTerrainSuffix)));
    EXPECT_TRUE(fs::is_regular_file(Path(std::string(paths::kWorldFolder) + terrain.TextureName)));

    auto checkParticles = [&](const std::string& gamePath) {
        SCOPED_TRACE(gamePath);
        ParticleFile p = ReadParticlesFile(Path(gamePath));
        EXPECT_TRUE(fs::is_regular_file(Path(std::string(paths::kParticleTextureFolder) + p.TextureName)));
        return p;
    };
    checkParticles(std::string(paths::kSmokeParticles));

    std::map<std::string, ModelFile> models;
    LevelFile level = ReadLevelFile(Path(paths::kLevel), [&](const std::string& modelPath) {
        EXPECT_NE(modelPath.find("3DOBJEKT"), std::string::npos) << modelPath;
        models[modelPath] = checkModel(modelPath);
        return models[modelPath].ObjectKind;
    });
    ASSERT_GE(level.objects.size(), 30u);
    std::map<int, int> kinds;
    std::map<ModelType, int> types;
    std::set<int> blends;
    for (const LevelObject& o : level.objects) {
        ++kinds[o.kind];
        if (o.kind == 1) ++types[models.at(o.modelPath).ModelType];
        if (o.kind == kLevelWater) {
            EXPECT_TRUE(fs::is_regular_file(Path(std::string(paths::kWaterFolder) + o.textureName)));
            EXPECT_GE(static_cast<int>(o.gridPoints), 5);
        }
        if (o.kind == kLevelEmitter) blends.insert(checkParticles(std::string(paths::kParticlesFolder) + o.particleFile).BlendMode);
    }
    EXPECT_EQ(kinds[kLevelWater], 2);
    EXPECT_EQ(kinds[kLevelEmitter], 3);
    EXPECT_EQ(blends, (std::set<int>{0, 1, 2}));
    EXPECT_GE(types[ModelType::Billboard], 5);  // billboard trees
    EXPECT_GE(types[ModelType::StaticBuffer], 5);  // buildings and rocks
    EXPECT_GE(types[ModelType::SkinnedBuffer], 1);
    EXPECT_GE(types[ModelType::CpuSkinned], 1);
    EXPECT_LT(level.models.size(), static_cast<size_t>(kinds[1]));  // models are shared
}

// Bone matrices of a pose given as per-bone Euler angles and positions.
std::vector<Matrix4> Pose(const std::vector<int32_t>& parents, std::vector<Vec3> rotations, const std::vector<Vec3>& positions) {
    std::vector<Matrix4> abs(parents.size());
    for (size_t i = 0; i < parents.size(); ++i) {
        Matrix4 local = IdentityMatrix();
        SetLocalMatrix(local, EulerToQuaternion(rotations[i]), positions[i]);
        abs[i] = parents[i] < 0 ? local : ComposeAffine(abs[parents[i]], local);
    }
    return abs;
}

// The camera's view direction for a yaw and pitch, built the way the camera places itself.
Vec3 CameraDirection(float yawDeg, float pitchDeg) {
    const double k = 3.14159265358979 / 180;
    double ty = 2.569 + 300, tz = 4.826 - 7;  // target relative to the eye
    double p = pitchDeg * k, y = yawDeg * k;
    double z1 = tz * std::cos(p) - ty * std::sin(p), y1 = tz * std::sin(p) + ty * std::cos(p);
    double x2 = -y1 * std::sin(y), y2 = y1 * std::cos(y);
    double len = std::sqrt(x2 * x2 + y2 * y2 + z1 * z1);
    return {float(x2 / len), float(y2 / len), float(z1 / len)};
}

TEST_F(DataSet, TurretBarrelsPointWhereTheCameraLooks) {
    ModelFile turret = ReadModelFile(Path(paths::kTurretModel));
    SmdAnimation anim = ReadSmdFile(Path(paths::kTurretAnimation));
    ASSERT_EQ(turret.ModelType, ModelType::CpuSkinned);
    ASSERT_FALSE(anim.frames.empty());
    ASSERT_EQ(anim.frames[0].bones.size(), turret.BoneParents.size());
    int marker[7] = {-1, -1, -1, -1, -1, -1, -1};
    for (size_t t = 0; t < turret.Triangles.size(); ++t) {
        int b = turret.Triangles[t].v[0].bone;
        if (b >= 3 && b <= 6) {
            EXPECT_EQ(marker[b], -1) << "two marker triangles for bone " << b;
            marker[b] = static_cast<int>(t);
        }
    }
    for (int b = 3; b <= 6; ++b) ASSERT_GE(marker[b], 0) << "no marker triangle for bone " << b;

    for (float yaw : {0.0f, 45.0f, 90.0f, 200.0f, 359.0f})
        for (float pitch : {-1.0f, -30.0f, -60.0f, -89.0f}) {
            SCOPED_TRACE("yaw " + std::to_string(yaw) + " pitch " + std::to_string(pitch));
            std::vector<Vec3> rot, pos;
            for (auto& b : anim.frames[0].bones) rot.push_back(b.rotation), pos.push_back(b.position);
            rot[1].y += pitch * 3.14f / 180;  // what the turret adds to bone 1
            rot[1].z += yaw * 3.14f / 180;
            auto abs = Pose(turret.BoneParents, rot, pos);
            auto point = [&](int bone) {
                const ModelVertex& v = turret.Triangles[marker[bone]].v[0];
                return TransformPoint(abs[bone], v.position);
            };
            Vec3 want = CameraDirection(yaw, pitch);
            for (int pair : {3, 5}) {
                Vec3 a = point(pair), b = point(pair + 1);
                Vec3 d{b.x - a.x, b.y - a.y, b.z - a.z};
                float len = std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z);
                ASSERT_GT(len, 0.5f);
                float cosAngle = (d.x * want.x + d.y * want.y + d.z * want.z) / len;
                EXPECT_GT(cosAngle, std::cos(1.5f * 3.14159f / 180)) << "barrel " << pair;
                // Muzzles sit ahead of the head and about the aim line's height.
                float ahead = a.x * want.x + a.y * want.y + a.z * want.z;
                EXPECT_GT(ahead, 3.0f);
            }
            EXPECT_NEAR(point(3).z + point(5).z, 2 * (4.8f - std::sin(pitch * 3.14159f / 180) * 6.4f), 0.5f);
        }
}

// Möller–Trumbore: distance along the ray to the triangle, or a negative value for a miss.
float RayHit(Vec3 o, Vec3 d, Vec3 a, Vec3 b, Vec3 c) {
    auto sub = [](Vec3 p, Vec3 q) { return Vec3{p.x - q.x, p.y - q.y, p.z - q.z}; };
    auto cross = [](Vec3 p, Vec3 q) { return Vec3{p.y * q.z - p.z * q.y, p.z * q.x - p.x * q.z, p.x * q.y - p.y * q.x}; };
    auto dot = [](Vec3 p, Vec3 q) { return p.x * q.x + p.y * q.y + p.z * q.z; };
    Vec3 e1 = sub(b, a), e2 = sub(c, a), p = cross(d, e2);
    float det = dot(e1, p);
    if (std::fabs(det) < 1e-9f) return -1;
    Vec3 t = sub(o, a);
    float u = dot(t, p) / det;
    if (u < 0 || u > 1) return -1;
    Vec3 q = cross(t, e1);
    float v = dot(d, q) / det;
    if (v < 0 || u + v > 1) return -1;
    return dot(e2, q) / det;
}

// The player looks over the turret: the line of sight from the eye must never run into the
// turret's own head or barrels, and the eye must not sit inside it.
TEST_F(DataSet, TurretNeverBlocksTheView) {
    ModelFile turret = ReadModelFile(Path(paths::kTurretModel));
    SmdAnimation anim = ReadSmdFile(Path(paths::kTurretAnimation));
    ASSERT_FALSE(anim.frames.empty());
    for (float yaw : {0.0f, 120.0f, 250.0f})
        for (float pitch : {-1.0f, -20.0f, -45.0f, -70.0f, -89.0f}) {
            std::vector<Vec3> rot, pos;
            for (auto& b : anim.frames[0].bones) rot.push_back(b.rotation), pos.push_back(b.position);
            rot[1].y += pitch * 3.14f / 180;
            rot[1].z += yaw * 3.14f / 180;
            auto abs = Pose(turret.BoneParents, rot, pos);
            Vec3 eye{0, 0, 7}, dir = CameraDirection(yaw, pitch);
            int hits = 0;
            float nearest = 1e9f;
            for (auto& t : turret.Triangles) {
                Vec3 p[3];
                for (int i = 0; i < 3; ++i) {
                    p[i] = TransformPoint(abs[t.v[i].bone], t.v[i].position);
                    float dx = p[i].x - eye.x, dy = p[i].y - eye.y, dz = p[i].z - eye.z;
                    nearest = std::min(nearest, std::sqrt(dx * dx + dy * dy + dz * dz));
                }
                if (RayHit(eye, dir, p[0], p[1], p[2]) > 0) ++hits;
            }
            EXPECT_EQ(hits, 0) << "yaw " << yaw << " pitch " << pitch;
            EXPECT_GT(nearest, 0.3f) << "yaw " << yaw << " pitch " << pitch;
        }
}

TEST_F(DataSet, AircraftPointTheirNosesAlongZ) {
    struct Plane {
        std::string_view flying, wreck;
        float engineZ;
    };
    for (const Plane& p : {Plane{paths::kSu25Model, paths::kSu25Wreck, -8}, Plane{paths::kStealthModel, paths::kStealthWreck, -8},
                           Plane{paths::kFighterModel, paths::kFighterWreck, -8}, Plane{paths::kBossModel, paths::kBossWreck, -18}}) {
        SCOPED_TRACE(std::string(p.flying));
        ModelFile m = ReadModelFile(Path(p.flying));
        ModelFile w = ReadModelFile(Path(p.wreck));
        ASSERT_EQ(m.ModelType, ModelType::StaticBuffer);
        float zmin = 1e9f, zmax = -1e9f, xmin = 1e9f, xmax = -1e9f;
        for (auto& t : m.Triangles)
            for (auto& v : t.v) {
                zmin = std::min(zmin, v.position.z), zmax = std::max(zmax, v.position.z);
                xmin = std::min(xmin, v.position.x), xmax = std::max(xmax, v.position.x);
            }
        EXPECT_NEAR(zmin, p.engineZ, 0.6f);          // the flames hang off the tail
        EXPECT_NEAR(m.VectorA.z, zmax, 0.6f);        // the nose distance
        EXPECT_LT(m.VectorB.x, 0.0f);                // below the belly, once laid level
        EXPECT_GE(m.VectorB.x, xmin - xmax);
        EXPECT_GT(zmax - zmin, 3 * (xmax - xmin));   // long and flat, not upright
        EXPECT_EQ(w.VectorB.x, m.VectorB.x);
        EXPECT_NE(WriteModel(w), WriteModel(m));

        // The flames hang where the game puts them: (-0.4, 0, engine z), the saucer's five
        // spread 3.5 apart across y. Each anchor needs an exhaust round it.
        std::vector<Vec3> anchors;
        if (p.engineZ == -18) {
            for (float y : {-7.0f, -3.5f, 0.0f, 3.5f, 7.0f}) anchors.push_back({-0.4f, y, -18});
        } else {
            anchors.push_back({-0.4f, 0, -8});
        }
        for (Vec3 a : anchors) {
            float nearest = 1e9f;
            for (auto& t : m.Triangles)
                for (auto& v : t.v) {
                    float dx = v.position.x - a.x, dy = v.position.y - a.y, dz = v.position.z - a.z;
                    nearest = std::min(nearest, std::sqrt(dx * dx + dy * dy + dz * dz));
                }
            EXPECT_LT(nearest, 1.5f) << "no exhaust near (" << a.x << ", " << a.y << ", " << a.z << ")";
        }
    }
}

std::vector<uint8_t> LoadLikeTheGame(const std::string& path, int& w, int& h);
// Mean brightness of an image as the game loads it, 0..1.
double MeanBrightness(const std::string& path) {
    int w, h;
    auto px = LoadLikeTheGame(path, w, h);
    double sum = 0;
    for (size_t i = 0; i < px.size(); i += 4) sum += px[i] + px[i + 1] + px[i + 2];
    return sum / (3.0 * 255.0 * w * h);
}

TEST_F(DataSet, WrecksAreScorched) {
    for (auto [flying, wreck] : {std::pair{paths::kSu25Model, paths::kSu25Wreck}, std::pair{paths::kStealthModel, paths::kStealthWreck},
                                 std::pair{paths::kFighterModel, paths::kFighterWreck}, std::pair{paths::kBossModel, paths::kBossWreck}}) {
        ModelFile m = ReadModelFile(Path(flying)), w = ReadModelFile(Path(wreck));
        double lit = MeanBrightness(Path(Folder(flying) + m.TextureNames[0]));
        double burnt = MeanBrightness(Path(Folder(wreck) + w.TextureNames[0]));
        EXPECT_LT(burnt, 0.75 * lit) << wreck;
    }
}

// The lens flare's sun is the point (1000, 1000, 500) seen from the turret's eye; the sun
// painted on the sky must be in that direction once the dome's texture is drawn the way the
// game uploads it (t flipped, rows top first).
TEST_F(DataSet, SkySunMatchesTheFlaresSun) {
    int w, h;
    auto px = LoadLikeTheGame(Path(paths::kSkyTexture), w, h);
    int best = 0, bestValue = -1;
    for (int i = 0; i < w * h; ++i) {
        int v = px[i * 4] + px[i * 4 + 1] + px[i * 4 + 2];
        if (v > bestValue) bestValue = v, best = i;
    }
    float s = (best % w + 0.5f) / w, tFile = 1.0f - (best / w + 0.5f) / h;
    ModelFile dome = ReadModelFile(Path(paths::kSkyModel));
    bool found = false;
    for (auto& t : dome.Triangles) {
        // Barycentric coordinates of (s, tFile) in the triangle's texture space.
        float x0 = t.v[0].s, y0 = t.v[0].t, x1 = t.v[1].s, y1 = t.v[1].t, x2 = t.v[2].s, y2 = t.v[2].t;
        float det = (y1 - y2) * (x0 - x2) + (x2 - x1) * (y0 - y2);
        if (std::fabs(det) < 1e-12f) continue;
        float a = ((y1 - y2) * (s - x2) + (x2 - x1) * (tFile - y2)) / det;
        float b = ((y2 - y0) * (s - x2) + (x0 - x2) * (tFile - y2)) / det;
        float c = 1 - a - b;
        if (a < 0 || b < 0 || c < 0) continue;
        Vec3 p{a * t.v[0].position.x + b * t.v[1].position.x + c * t.v[2].position.x,
               a * t.v[0].position.y + b * t.v[1].position.y + c * t.v[2].position.y,
               a * t.v[0].position.z + b * t.v[1].position.z + c * t.v[2].position.z};
        Vec3 sun{500, 500, 493};
        float cosAngle = (p.x * sun.x + p.y * sun.y + p.z * sun.z) /
                         (std::sqrt(p.x * p.x + p.y * p.y + p.z * p.z) * std::sqrt(sun.x * sun.x + sun.y * sun.y + sun.z * sun.z));
        EXPECT_GT(cosAngle, std::cos(3.0f * 3.14159f / 180));
        found = true;
        break;
    }
    EXPECT_TRUE(found);
}

// Map models stand on the ground, out of the turret's clearing and out of the water.
TEST_F(DataSet, MapObjectsStandOnTheGround) {
    TerrainFile t = ReadTerrainFile(Path(std::string(paths::kLevel) + std::string(paths::kTerrainSuffix)));
    float cell = t.Size / t.GridSize;
    auto ground = [&](float x, float y) {  // on the drawn triangles of the cell
        int i = static_cast<int>(x / cell), j = static_cast<int>(y / cell);
        float u = x / cell - i, v = y / cell - j;
        if (u + v <= 1) return t.Height(i, j) + (t.Height(i + 1, j) - t.Height(i, j)) * u + (t.Height(i, j + 1) - t.Height(i, j)) * v;
        return t.Height(i + 1, j + 1) + (t.Height(i, j + 1) - t.Height(i + 1, j + 1)) * (1 - u) +
               (t.Height(i + 1, j) - t.Height(i + 1, j + 1)) * (1 - v);
    };
    LevelFile level = ReadLevelFile(Path(paths::kLevel), [&](const std::string& p) { return ReadModelFile(Path(p)).ObjectKind; });
    std::vector<const LevelObject*> ponds;
    for (const LevelObject& o : level.objects)
        if (o.kind == kLevelWater) ponds.push_back(&o);
    for (const LevelObject& o : level.objects) {
        if (o.kind != 1) continue;
        SCOPED_TRACE(o.modelPath + " at " + std::to_string(o.position.x) + ", " + std::to_string(o.position.y));
        EXPECT_NEAR(o.position.z, ground(o.position.x, o.position.y), 0.5f);
        EXPECT_GT(std::hypot(o.position.x - 500, o.position.y - 500), 50.0f);
        for (const LevelObject* p : ponds)
            if (std::fabs(o.position.x - p->position.x) < p->sideLength / 2.0f && std::fabs(o.position.y - p->position.y) < p->sideLength / 2.0f) {
                EXPECT_GT(ground(o.position.x, o.position.y), p->position.z);  // on the bank, not in the water
            }
    }
}

TEST_F(DataSet, TerrainIsLevelUnderTheTurretAndPondsHoldTheirWater) {
    TerrainFile t = ReadTerrainFile(Path(std::string(paths::kLevel) + std::string(paths::kTerrainSuffix)));
    ASSERT_EQ(t.Size, 1000.0f);
    float cell = t.Size / t.GridSize;
    float highest = 0;
    for (int i = 0; i <= t.GridSize; ++i)
        for (int j = 0; j <= t.GridSize; ++j) {
            float dx = i * cell - 500, dy = j * cell - 500;
            if (std::sqrt(dx * dx + dy * dy) < 40) {
                EXPECT_EQ(t.Height(i, j), 0.0f) << i << "," << j;
            }
            highest = std::max(highest, t.Height(i, j));
        }
    EXPECT_GT(highest, 20.0f);  // hills, not a plain

    LevelFile level = ReadLevelFile(Path(paths::kLevel), [&](const std::string& p) { return ReadModelFile(Path(p)).ObjectKind; });
    int ponds = 0;
    for (const LevelObject& o : level.objects) {
        if (o.kind != kLevelWater) continue;
        ++ponds;
        auto ground = [&](float x, float y) {
            return t.Height(static_cast<int>(std::lround(x / cell)), static_cast<int>(std::lround(y / cell)));
        };
        EXPECT_LT(ground(o.position.x, o.position.y), o.position.z - 1.0f);  // deep in the middle
        // The square's rim is on dry ground, so the terrain hides the corners.
        float half = o.sideLength / 2.0f;
        for (float s = -half; s <= half; s += cell) {
            EXPECT_GE(ground(o.position.x + s, o.position.y - half), o.position.z);
            EXPECT_GE(ground(o.position.x + s, o.position.y + half), o.position.z);
            EXPECT_GE(ground(o.position.x - half, o.position.y + s), o.position.z);
            EXPECT_GE(ground(o.position.x + half, o.position.y + s), o.position.z);
        }
    }
    EXPECT_EQ(ponds, 2);
}

// Loads an image through DevIL with no origin mode, as the game does; returns RGBA rows in
// the order the library delivers them.
std::vector<uint8_t> LoadLikeTheGame(const std::string& path, int& w, int& h) {
    static bool ready = (ilInit(), true);
    (void)ready;
    ILuint id;
    ilGenImages(1, &id);
    ilBindImage(id);
    EXPECT_TRUE(ilLoadImage(path.c_str())) << path;
    w = ilGetInteger(IL_IMAGE_WIDTH);
    h = ilGetInteger(IL_IMAGE_HEIGHT);
    std::vector<uint8_t> rgba(static_cast<size_t>(w) * h * 4);
    ilCopyPixels(0, 0, 0, w, h, 1, IL_RGBA, IL_UNSIGNED_BYTE, rgba.data());
    ilDeleteImages(1, &id);
    return rgba;
}

TEST_F(DataSet, ImagesReachTheGameTheRightWayUp) {
    int w, h;
    // Flame: opaque and hot at the engine (t = 0, the first row), gone at the tail.
    auto flame = LoadLikeTheGame(Path(paths::kFlame), w, h);
    auto rowAlpha = [&](const std::vector<uint8_t>& px, int row) {
        int sum = 0;
        for (int x = 0; x < w; ++x) sum += px[(static_cast<size_t>(row) * w + x) * 4 + 3];
        return sum / w;
    };
    EXPECT_GT(rowAlpha(flame, 2), 60);
    EXPECT_LT(rowAlpha(flame, h - 2), 10);

    // Font: glyph cells in Windows-1251 order, t = 0 at the glyph's top. '_' has its ink at
    // the bottom, the apostrophe at the top; the Cyrillic block is filled.
    auto font = LoadLikeTheGame(Path(paths::kFontTexture), w, h);
    ASSERT_EQ(w, 256 * h / 2);
    int cell = w / 256;
    auto inkRow = [&](int code) {  // mean row of the ink in a cell, or -1
        double sum = 0, weight = 0;
        for (int row = 0; row < h; ++row)
            for (int x = code * cell; x < (code + 1) * cell; ++x) {
                int v = font[(static_cast<size_t>(row) * w + x) * 4];
                if (v > 128) sum += row * v, weight += v;
            }
        return weight > 0 ? sum / weight : -1.0;
    };
    EXPECT_GT(inkRow('_'), 0.7 * h);
    EXPECT_GE(inkRow('\''), 0);
    EXPECT_LT(inkRow('\''), 0.45 * h);
    for (int code = 0xC0; code <= 0xFF; ++code) EXPECT_GE(inkRow(code), 0) << "empty cell " << code;
    EXPECT_LT(inkRow(' '), 0);

    // Trees are cut out: clear sky at the top corners, a trunk at the bottom middle.
    auto tree = LoadLikeTheGame(Path("3DOBJEKT\\map\\tree1.png"), w, h);
    EXPECT_EQ(tree[3], 0);
    EXPECT_EQ(tree[(static_cast<size_t>(h - 3) * w + w / 2) * 4 + 3], 255);
}

// The ground texture is painted to match the heights (pond beds dark, lighting baked in):
// through the terrain's own texture coordinates, the pixels under each pond are its bed.
TEST_F(DataSet, GroundTextureLinesUpWithTheTerrain) {
    TerrainFile t = ReadTerrainFile(Path(std::string(paths::kLevel) + std::string(paths::kTerrainSuffix)));
    int w, h;
    auto px = LoadLikeTheGame(Path(std::string(paths::kWorldFolder) + t.TextureName), w, h);
    auto brightness = [&](float u, float v) {  // 5 x 5 pixels round texture point (u, v)
        int cx = static_cast<int>(u * w), cy = static_cast<int>(v * h);
        double sum = 0;
        for (int dy = -2; dy <= 2; ++dy)
            for (int dx = -2; dx <= 2; ++dx) {
                size_t i = (static_cast<size_t>(std::clamp(cy + dy, 0, h - 1)) * w + std::clamp(cx + dx, 0, w - 1)) * 4;
                sum += px[i] + px[i + 1] + px[i + 2];
            }
        return sum / (25 * 3 * 255.0);
    };
    double mean = MeanBrightness(Path(std::string(paths::kWorldFolder) + t.TextureName));
    float cell = t.Size / t.GridSize;
    LevelFile level = ReadLevelFile(Path(paths::kLevel), [&](const std::string& p) { return ReadModelFile(Path(p)).ObjectKind; });
    int ponds = 0;
    for (const LevelObject& o : level.objects) {
        if (o.kind != kLevelWater) continue;
        ++ponds;
        auto at = [&](float x, float y) {
            const float* uv = t.CellTexCoords(static_cast<int>(x / cell), static_cast<int>(y / cell));
            return brightness(uv[0], uv[1]);
        };
        double bed = at(o.position.x, o.position.y);
        EXPECT_LT(bed, 0.5 * mean) << "pond at " << o.position.x << ", " << o.position.y;
        // Mirrored across either axis the same texels would be dry ground.
        EXPECT_GT(at(t.Size - o.position.x, o.position.y), 1.5 * bed);
        EXPECT_GT(at(o.position.x, t.Size - o.position.y), 1.5 * bed);
    }
    EXPECT_EQ(ponds, 2);
}

std::vector<int16_t> Pcm(const std::vector<uint8_t>& bytes) {
    std::vector<int16_t> s(bytes.size() / 2);
    for (size_t i = 0; i < s.size(); ++i) s[i] = static_cast<int16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    return s;
}

// The step across the loop's join is no larger than the steps inside it.
void ExpectSeamless(const std::vector<int16_t>& s, int channels) {
    for (int c = 0; c < channels; ++c) {
        int largest = 0;
        for (size_t i = c + channels; i < s.size(); i += channels) largest = std::max(largest, std::abs(s[i] - s[i - channels]));
        int join = std::abs(s[c] - s[s.size() - channels + c]);
        EXPECT_LE(join, largest) << "channel " << c;
        EXPECT_GT(largest, 500) << "silent channel " << c;
    }
}

TEST_F(DataSet, SoundsAreMonoAndTheLoopsJoinCleanly) {
    for (auto p : {paths::kExplosionSound, paths::kLaserSound, paths::kCannonSound}) {
        SCOPED_TRACE(std::string(p));
        WaveFile w = ReadWaveFile(Path(p));
        EXPECT_EQ(w.FormatTag, 1);
        EXPECT_EQ(w.Channels, 1);  // positional sounds must be mono
        EXPECT_EQ(w.Bits, 16);
        EXPECT_GT(w.Samples.size(), w.Rate / 5);
        if (p != paths::kExplosionSound) ExpectSeamless(Pcm(w.Samples), 1);
    }

    OggVorbis_File vf;
    ASSERT_EQ(ov_fopen(Path(paths::kMusic).c_str(), &vf), 0);
    vorbis_info* info = ov_info(&vf, -1);
    EXPECT_EQ(info->rate, 44100);
    EXPECT_EQ(info->channels, 2);
    double seconds = ov_time_total(&vf, -1);
    EXPECT_GE(seconds, 60.0);
    EXPECT_LE(seconds, 120.0);
    std::vector<int16_t> pcm;
    char buf[65536];
    int section = 0;
    long got;
    while ((got = ov_read(&vf, buf, sizeof buf, 0, 2, 1, &section)) > 0)
        pcm.insert(pcm.end(), reinterpret_cast<int16_t*>(buf), reinterpret_cast<int16_t*>(buf + got));
    ov_clear(&vf);
    EXPECT_EQ(pcm.size() / 2, static_cast<size_t>(std::llround(seconds * 44100)));
    ExpectSeamless(pcm, 2);
}

}  // namespace
}  // namespace tv
