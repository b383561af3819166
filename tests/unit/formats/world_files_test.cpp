// Level, terrain and particle description files.
#include <gtest/gtest.h>

#include <map>

#include "common/binary_io.h"
#include "world/level_file.h"
#include "world/particle_file.h"
#include "world/terrain_file.h"

namespace tv {
namespace {

struct KindTable {
    std::map<std::string, uint8_t> kinds;
    std::vector<std::string> asked;
    ModelKindLookup Lookup() {
        return [this](const std::string& path) {
            asked.push_back(path);
            return kinds.at(path);
        };
    }
};

LevelObject Model(const std::string& path, uint8_t kind, float x) {
    LevelObject o;
    o.typeByte = kLevelModel;
    o.kind = kind;
    o.hasModelBlock = true;
    o.position = {x, x + 1, x + 2};
    for (int i = 0; i < 12; ++i) o.rotation[i] = x * 10 + i;
    o.spareA = 0x11223344;
    o.animTime = x / 2;
    o.spareB = 7;
    o.animated = 1;
    o.modelPath = path;
    o.secondName = "second " + path;
    return o;
}

void ExpectSameObject(const LevelObject& a, const LevelObject& b) {
    EXPECT_EQ(a.typeByte, b.typeByte);
    EXPECT_EQ(a.kind, b.kind);
    EXPECT_EQ(a.hasModelBlock, b.hasModelBlock);
    EXPECT_EQ(a.hasWaterBlock, b.hasWaterBlock);
    EXPECT_EQ(a.hasEmitterBlock, b.hasEmitterBlock);
    EXPECT_EQ(a.position.x, b.position.x);
    EXPECT_EQ(a.position.y, b.position.y);
    EXPECT_EQ(a.position.z, b.position.z);
    EXPECT_EQ(a.rotation, b.rotation);
    EXPECT_EQ(a.spareA, b.spareA);
    EXPECT_EQ(a.animTime, b.animTime);
    EXPECT_EQ(a.spareB, b.spareB);
    EXPECT_EQ(a.animated, b.animated);
    EXPECT_EQ(a.modelPath, b.modelPath);
    EXPECT_EQ(a.secondName, b.secondName);
    EXPECT_EQ(a.gridPoints, b.gridPoints);
    EXPECT_EQ(a.sideLength, b.sideLength);
    EXPECT_EQ(a.damping, b.damping);
    EXPECT_EQ(a.textureName, b.textureName);
    EXPECT_EQ(a.particleFile, b.particleFile);
    EXPECT_EQ(a.modelIndex, b.modelIndex);
}

TEST(LevelFile, RoundTripSharesModelsByExactPath) {
    KindTable t;
    t.kinds = {{"3DOBJEKT\\tree.3dk", 1}, {"3DOBJEKT\\Tree.3dk", 1}, {"3DOBJEKT\\rock.3dk", 2}};
    LevelFile level;
    level.objects.push_back(Model("3DOBJEKT\\tree.3dk", 1, 1));
    level.objects.push_back(Model("3DOBJEKT\\rock.3dk", 2, 2));
    level.objects.push_back(Model("3DOBJEKT\\tree.3dk", 1, 3));
    level.objects.back().modelIndex = 0;
    level.objects.push_back(Model("3DOBJEKT\\Tree.3dk", 1, 4));  // other letter case: loaded again
    level.objects.push_back(Model("elsewhere\\x.3dk", 1, 5));    // not under 3DOBJEKT: nothing loaded
    level.objects[1].modelIndex = 1;
    level.objects[3].modelIndex = 2;
    LevelObject water = Model("", 4, 6);
    water.typeByte = kLevelWater;
    water.hasModelBlock = false;
    water.hasWaterBlock = true;
    water.gridPoints = 40.9f;
    water.sideLength = 120;
    water.damping = 0.97f;
    water.textureName = "water.jpg";
    level.objects.push_back(water);
    LevelObject emitter;
    emitter.typeByte = emitter.kind = kLevelEmitter;
    emitter.hasEmitterBlock = true;
    emitter.position = {7, 8, 9};
    emitter.rotation[0] = 1;
    emitter.spareA = 3;
    emitter.particleFile = emitter.modelPath = "fire.kpr";
    emitter.secondName = "s";
    level.objects.push_back(emitter);
    level.objectCount = static_cast<int32_t>(level.objects.size());
    level.models = {"3DOBJEKT\\tree.3dk", "3DOBJEKT\\rock.3dk", "3DOBJEKT\\Tree.3dk"};

    const LevelFile back = ReadLevel(WriteLevel(level), "1.wrd", t.Lookup());
    EXPECT_EQ(back.objectCount, level.objectCount);
    EXPECT_EQ(back.models, level.models);
    EXPECT_EQ(t.asked, level.models);  // once per loaded model, in load order
    ASSERT_EQ(back.objects.size(), level.objects.size());
    for (size_t i = 0; i < level.objects.size(); ++i) {
        SCOPED_TRACE(i);
        ExpectSameObject(back.objects[i], level.objects[i]);
    }
}

TEST(LevelFile, ModelKindDecidesWhatFollows) {
    // A model whose object kind is 4 reads a whole water record after its own fields; one of
    // kind 5 an emitter record.
    KindTable t;
    t.kinds = {{"3DOBJEKT\\pond.3dk", 4}, {"3DOBJEKT\\fx.3dk", 5}};
    ByteWriter w;
    w.I32(3);
    LevelObject m = Model("3DOBJEKT\\pond.3dk", 4, 1);
    w.U8(1);
    LevelFile one;
    one.objects = {m};
    std::vector<uint8_t> record = WriteLevel(one);  // type 1 + model block + water block of m
    w.Bytes(record.data() + 5, record.size() - 5);
    LevelObject e = Model("3DOBJEKT\\fx.3dk", 5, 2);
    e.particleFile = "smoke.kpr";
    one.objects = {e};
    record = WriteLevel(one);
    w.Bytes(record.data() + 4, record.size() - 4);
    // A later record sharing the pond's model (not the latest loaded) is a water as well.
    one.objects = {m};
    record = WriteLevel(one);
    w.Bytes(record.data() + 4, record.size() - 4);
    const LevelFile back = ReadLevel(w.Data(), "k.wrd", t.Lookup());
    ASSERT_EQ(back.objects.size(), 3u);
    EXPECT_EQ(t.asked.size(), 2u);
    EXPECT_EQ(back.objects[2].modelIndex, 0);
    EXPECT_EQ(back.objects[2].kind, 4);
    EXPECT_TRUE(back.objects[2].hasWaterBlock);
    EXPECT_EQ(back.objects[2].damping, m.damping);
    EXPECT_EQ(back.objects[0].kind, 4);
    EXPECT_TRUE(back.objects[0].hasModelBlock && back.objects[0].hasWaterBlock);
    EXPECT_EQ(back.objects[1].kind, 5);
    EXPECT_TRUE(back.objects[1].hasModelBlock && back.objects[1].hasEmitterBlock);
    EXPECT_EQ(back.objects[1].particleFile, "smoke.kpr");
    EXPECT_EQ(back.objects[1].modelPath, "smoke.kpr");
}

TEST(LevelFile, UnknownTypeByteShiftsReadingAndShortFilesLeaveZeros) {
    KindTable t;
    t.kinds = {{"3DOBJEKT\\a.3dk", 1}};
    LevelFile level;
    level.objects = {Model("3DOBJEKT\\a.3dk", 1, 1)};
    std::vector<uint8_t> full = WriteLevel(level);
    // Count 3: an unknown type byte 9, then the model record, then nothing at all.
    ByteWriter w;
    w.I32(3);
    w.U8(9);
    w.Bytes(full.data() + 4, full.size() - 4);
    LevelFile back = ReadLevel(w.Data(), "u.wrd", t.Lookup());
    ASSERT_EQ(back.objects.size(), 3u);
    EXPECT_EQ(back.objects[0].kind, 9);
    EXPECT_EQ(back.objects[1].modelPath, "3DOBJEKT\\a.3dk");
    EXPECT_EQ(back.objects[2].typeByte, 0);
    EXPECT_FALSE(back.objects[2].hasModelBlock);

    // Cut inside the model path: the position survives, the strings stay empty.
    std::vector<uint8_t> cut(full.begin(), full.end() - 29);
    back = ReadLevel(cut, "c.wrd", t.Lookup());
    ASSERT_EQ(back.objects.size(), 1u);
    EXPECT_EQ(back.objects[0].position.y, 2.0f);
    EXPECT_EQ(back.objects[0].animated, 1);
    EXPECT_EQ(back.objects[0].modelPath, "");
    EXPECT_EQ(back.objects[0].kind, 1);  // an empty path loads nothing
    EXPECT_TRUE(back.models.empty());

    // A water record cut after its grid points: side length and damping stay 0.
    LevelObject water;
    water.typeByte = water.kind = kLevelWater;
    water.gridPoints = 16;
    water.sideLength = 50;
    water.damping = 0.9f;
    level.objects = {water};
    full = WriteLevel(level);
    cut.assign(full.begin(), full.end() - 12);
    back = ReadLevel(cut, "w.wrd", t.Lookup());
    EXPECT_EQ(back.objects[0].gridPoints, 16.0f);
    EXPECT_EQ(back.objects[0].sideLength, 0);
    EXPECT_EQ(back.objects[0].damping, 0.0f);
}

TEST(LevelFile, CountsOutsideTheFileAreHandled) {
    KindTable t;
    EXPECT_TRUE(ReadLevel({0, 0, 0, 0}, "z.wrd", t.Lookup()).objects.empty());
    EXPECT_TRUE(ReadLevel({0xff, 0xff, 0xff, 0xff, 1, 2}, "n.wrd", t.Lookup()).objects.empty());
    EXPECT_TRUE(ReadLevel({}, "e.wrd", t.Lookup()).objects.empty());
    try {
        ReadLevel({0xff, 0xff, 0xff, 0x7f, 0}, "h.wrd", t.Lookup());
        ADD_FAILURE() << "huge count accepted";
    } catch (const DataError& e) {
        EXPECT_EQ(e.field(), "object count");
    }

    // A count beyond what the bytes hold (up to the cap) makes the missing records from
    // zeros: each is handed on, none loads anything, and stderr says where the file ended.
    t.kinds = {{"3DOBJEKT\\a.3dk", 1}};
    LevelFile one;
    one.objects = {Model("3DOBJEKT\\a.3dk", 1, 1)};
    std::vector<uint8_t> bytes = WriteLevel(one);
    bytes[0] = 40;
    size_t handed = 0;
    ::testing::internal::CaptureStderr();
    const LevelFile back = ReadLevel(bytes, "short.wrd", t.Lookup(), [&](const LevelFile&, size_t) { ++handed; });
    const std::string err = ::testing::internal::GetCapturedStderr();
    ASSERT_EQ(back.objects.size(), 40u);
    EXPECT_EQ(handed, 40u);
    EXPECT_EQ(back.objects[0].modelPath, "3DOBJEKT\\a.3dk");
    EXPECT_EQ(back.models.size(), 1u);
    for (size_t k = 1; k < 40; ++k) {
        EXPECT_EQ(back.objects[k].typeByte, 0);
        EXPECT_FALSE(back.objects[k].hasModelBlock || back.objects[k].hasWaterBlock || back.objects[k].hasEmitterBlock);
    }
    EXPECT_EQ(err, "terravik: warning: short.wrd: offset " + std::to_string(bytes.size()) +
                       ": objects: the file ends before its 40 records do: the missing fields and records stay zero\n");
    // The cap holds whatever the bytes.
    EXPECT_EQ(ReadLevel({0x00, 0x00, 0x01, 0x00}, "cap.wrd", t.Lookup()).objects.size(), 65536u);
    EXPECT_THROW(ReadLevel({0x01, 0x00, 0x01, 0x00}, "over.wrd", t.Lookup()), DataError);
}

TerrainFile SampleTerrain(int n) {
    TerrainFile t;
    t.GridSize = n;
    t.Size = 1000.0f;
    for (int i = 0; i < (n + 1) * (n + 1); ++i) t.Heights.push_back(i * 0.5f - 3);
    for (int i = 0; i < n * n * 12; ++i) t.TexCoords.push_back(i * 0.125f);
    t.TextureNames = {"a.jpg", "b.jpg", "grass.jpg"};
    return t;
}

TEST(TerrainFile, RoundTripUsesTheLastName) {
    const TerrainFile t = SampleTerrain(3);
    const TerrainFile back = ReadTerrain(WriteTerrain(t), "1.wrd.map");
    EXPECT_EQ(back.GridSize, 3);
    EXPECT_EQ(back.Size, 1000.0f);
    EXPECT_EQ(back.Heights, t.Heights);
    EXPECT_EQ(back.TexCoords, t.TexCoords);
    EXPECT_EQ(back.TextureNameCount, 3);
    EXPECT_EQ(back.TextureNames, t.TextureNames);
    EXPECT_EQ(back.TextureName, "grass.jpg");
    EXPECT_EQ(back.Height(1, 2), t.Heights[1 * 4 + 2]);
    EXPECT_EQ(back.CellTexCoords(2, 1)[11], t.TexCoords[(2 * 3 + 1) * 12 + 11]);
}

TEST(TerrainFile, ShortFilesAndBadGrids) {
    const std::vector<uint8_t> full = WriteTerrain(SampleTerrain(2));
    const size_t heightsEnd = 8 + 9 * 4;
    // Cut inside the texture coordinates: the rest are 0 and there is no texture name.
    std::vector<uint8_t> cut(full.begin(), full.begin() + heightsEnd + 10 * 4 + 2);
    TerrainFile t = ReadTerrain(cut, "t.map");
    EXPECT_EQ(t.TexCoords.size(), 48u);
    EXPECT_EQ(t.TexCoords[9], 9 * 0.125f);
    EXPECT_EQ(t.TexCoords[10], 0.0f);
    EXPECT_EQ(t.TextureNameCount, 0);
    EXPECT_EQ(t.TextureName, "");
    // Cut inside the third name: it clears the second and reads as empty.
    cut.assign(full.begin(), full.end() - 3);
    t = ReadTerrain(cut, "t.map");
    EXPECT_EQ(t.TextureNameCount, 3);
    EXPECT_EQ(t.TextureName, "");
    // Cut inside the heights: what is there is read, the rest of the grid is 0.
    t = ReadTerrain(std::vector<uint8_t>(full.begin(), full.begin() + heightsEnd - 3), "h.map");
    ASSERT_EQ(t.Heights.size(), 9u);
    EXPECT_EQ(t.Heights[7], 7 * 0.5f - 3);
    EXPECT_EQ(t.Heights[8], 0.0f);
    EXPECT_EQ(t.TexCoords, std::vector<float>(48, 0.0f));
    // A grid larger than the file describes is a short file too, up to the cap.
    std::vector<uint8_t> bigger = full;
    bigger[0] = 8;
    t = ReadTerrain(bigger, "g.map");
    ASSERT_EQ(t.Heights.size(), 81u);
    EXPECT_EQ(t.Heights[8], 8 * 0.5f - 3);
    EXPECT_EQ(t.Heights[80], 0.0f);
    // Grid sizes <= 0 and above the cap are rejected, as is a file without a grid size.
    for (int32_t n : {0, -1, 0x7fffffff, 0x40000000, static_cast<int32_t>(kMaxTerrainGrid) + 1}) {
        std::vector<uint8_t> bad = full;
        for (int i = 0; i < 4; ++i) bad[i] = static_cast<uint8_t>(static_cast<uint32_t>(n) >> (8 * i));
        EXPECT_THROW(ReadTerrain(bad, "b.map"), DataError) << n;
    }
    EXPECT_THROW(ReadTerrain({}, "e.map"), DataError);
}

TEST(ParticleFile, RoundTripRadiusAndShortReads) {
    ParticleFile p;
    p.Count = 300;
    p.Colour = {1, 0.5f, 0.25f, 1};
    p.ColourDelta = {-0.1f, -0.2f, -0.3f, -0.4f};
    p.EmitCentre = {1, 2, 3};
    p.TargetCentre = {4, 6, 3};
    p.Speed = 12;
    p.StartSize = 1.5f;
    p.SizeDelta = 0.75f;
    p.EmitSpread = 2;
    p.TargetSpread = 4.5f;
    p.Period = 3;
    p.BlendMode = 2;
    p.TextureName = "smoke.jpg";
    const std::vector<uint8_t> bytes = WriteParticles(p);
    ASSERT_EQ(bytes.size(), 4u + 14 * 4 + 6 * 4 + 1 + 4 + 9);
    const ParticleFile q = ReadParticles(bytes, "p.kpr");
    EXPECT_EQ(q.Count, 300);
    EXPECT_EQ(q.Colour, p.Colour);
    EXPECT_EQ(q.ColourDelta, p.ColourDelta);
    EXPECT_EQ(q.EmitCentre.z, 3.0f);
    EXPECT_EQ(q.TargetCentre.y, 6.0f);
    EXPECT_EQ(q.Speed, 12.0f);
    EXPECT_EQ(q.StartSize, 1.5f);
    EXPECT_EQ(q.SizeDelta, 0.75f);
    EXPECT_EQ(q.EmitSpread, 2.0f);
    EXPECT_EQ(q.TargetSpread, 4.5f);
    EXPECT_EQ(q.Period, 3.0f);
    EXPECT_EQ(q.BlendMode, 2);
    EXPECT_EQ(q.TextureName, "smoke.jpg");
    EXPECT_EQ(ParticleRadius(q), 5.0f);  // |(3, 4, 0)| beats both spreads

    // A file cut inside the period keeps the earlier values of what is missing.
    ParticleFile into = p;
    into.Period = 99;
    into.BlendMode = 1;
    into.TextureName = "old.jpg";
    std::vector<uint8_t> other = WriteParticles(ParticleFile{});
    other.resize(4 + 14 * 4 + 5 * 4 + 2);
    ReadParticlesInto(into, other, "s.kpr");
    EXPECT_EQ(into.Count, 0);
    EXPECT_EQ(into.TargetSpread, 0.0f);
    EXPECT_EQ(into.Period, 99.0f);
    EXPECT_EQ(into.BlendMode, 1);
    EXPECT_EQ(into.TextureName, "old.jpg");
}

}  // namespace
}  // namespace tv
