// Loading a level into the map-object table: model sharing by exact path, the "3DOBJEKT"
// rule, water and emitter creation, the model's kind taking over, truncated files, unknown
// type bytes, odd data that loading tolerates and a model failing part-way; then one frame of
// culling and drawing.
#include <epoxy/gl.h>

#include <filesystem>

#include "common/binary_io.h"
#include "gl_context.h"
#include "math/frustum.h"
#include "math/random.h"
#include "models/model_file.h"
#include "platform/clock.h"
#include "render/gl/gl_matrices.h"
#include "render/gl/texture.h"
#include "world/gl/particle_program.h"
#include "world/level_file.h"
#include "world/map_objects.h"
#include "world/particle_file.h"
#include "world/terrain.h"
#include "world/terrain_file.h"

namespace tv::test {
namespace {

LevelObject ModelRecord(const std::string& path, Vec3 at) {
    LevelObject o;
    o.typeByte = 1;
    o.kind = 1;
    o.position = at;
    o.rotation = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0};
    o.animTime = 2.5f;
    o.animated = 1;
    o.modelPath = path;
    o.secondName = "second";
    return o;
}

LevelObject WaterRecord(float gridPoints, Vec3 at) {
    LevelObject o;
    o.typeByte = 4;
    o.kind = 4;
    o.position = at;
    o.rotation = {0, 1, 0, 0, 1, 0, 0, 0, 0, 0, 1, 0};  // ignored
    o.gridPoints = gridPoints;
    o.sideLength = 30;
    o.damping = 0.75f;
    o.textureName = "w.png";
    return o;
}

LevelObject EmitterRecord(const std::string& file, Vec3 at) {
    LevelObject o;
    o.typeByte = 5;
    o.kind = 5;
    o.position = at;
    o.rotation = {0, 1, 0, 0, 1, 0, 0, 0, 0, 0, 1, 0};
    o.particleFile = file;
    return o;
}

class LevelGl : public GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        InitImageLibrary();
        root = ScratchDir(::testing::UnitTest::GetInstance()->current_test_info()->name()) + "/";
        for (const char* d : {"world", "3DOBJEKT/tree", "3DOBJEKT/pond", "k_resurs/particles", "other"}) {
            std::filesystem::create_directories(root + d);
        }
        TerrainFile t;
        t.GridSize = 2;
        t.Size = 100.0f;
        t.Heights.assign(9, 0.0f);
        t.TexCoords.assign(48, 0.0f);
        t.TextureNames = {"ground.png"};
        WriteWholeFile(root + "world/1.wrd.map", WriteTerrain(t));
        // A billboard tree (object kind 1) and a model whose object kind is 4 (water).
        ModelFile tree;
        tree.ModelType = ModelType::Billboard;
        tree.ObjectKind = 1;
        tree.Billboard.halfWidth = 2.0f;
        tree.Billboard.height = 6.0f;
        tree.TextureNames = {"tree.png"};
        tree.BoxSize = {4, 4, 6};
        WriteWholeFile(root + "3DOBJEKT/tree/t.3dk", WriteModel(tree));
        WriteWholeFile(root + "other/t.3dk", WriteModel(tree));
        ModelFile pond = tree;
        pond.ObjectKind = 4;
        WriteWholeFile(root + "3DOBJEKT/pond/p.3dk", WriteModel(pond));
        ParticleFile fire;
        fire.Count = 20;
        fire.Colour = {1, 0.5f, 0.2f, 1};
        fire.EmitCentre = {0, 0, 1};
        fire.TargetCentre = {0, 0, 11};
        fire.EmitSpread = 1.0f;
        fire.TargetSpread = 3.0f;
        fire.Speed = 5.0f;
        fire.Period = 2.0f;
        fire.StartSize = 0.5f;
        fire.TextureName = "fire.png";
        WriteWholeFile(root + "k_resurs/particles/fire.kpr", WriteParticles(fire));

        context.DataRoot = root;
        context.Models.DataRoot = root;
        context.Models.Gpu = gpu.get();
        context.Random = &random;
        context.GameClock = &clock;
    }

    void WriteLevelFile(const std::vector<LevelObject>& objects) {
        LevelFile level;
        level.objects = objects;
        WriteWholeFile(root + "world/1.wrd", WriteLevel(level));
    }
    void Load() { LoadLevel(root + "world/1.wrd", land, map, context); }

    std::string root;
    GameRandom random;
    StepClock clock;
    LevelLoadContext context;
    TLand land;
    MapObjects map;
};

TEST_F(LevelGl, ModelsAreSharedByExactPathUnder3DOBJEKT) {
    WriteLevelFile({ModelRecord("3DOBJEKT\\tree\\t.3dk", {1, 2, 3}), ModelRecord("3DOBJEKT\\tree\\t.3dk", {4, 5, 6}),
                    ModelRecord("3DOBJEKT\\Tree\\T.3dk", {7, 8, 9}), ModelRecord("other\\t.3dk", {0, 0, 0})});
    Load();
    EXPECT_EQ(land.Built, 1);
    EXPECT_EQ(land.GridSize, 2);
    ASSERT_EQ(map.Objects.size(), 4u);
    EXPECT_EQ(map.MapObjectCount, 4);
    // Same bytes share; a different spelling of the same file loads again; no 3DOBJEKT, no load.
    EXPECT_EQ(map.MapModelCount, 2);
    ASSERT_EQ(map.MapModels.size(), 2u);
    EXPECT_EQ(map.Objects[0].ModelIndex, 0);
    EXPECT_EQ(map.Objects[1].ModelIndex, 0);
    EXPECT_EQ(map.Objects[2].ModelIndex, 1);
    EXPECT_EQ(map.Objects[3].ModelIndex, 0);
    for (const ObjectKart& o : map.Objects) EXPECT_EQ(o.Kind, 1);
    EXPECT_FLOAT_EQ(map.Objects[1].Position.y, 5.0f);
    EXPECT_FLOAT_EQ(map.Objects[1].AnimTime, 2.5f);
    EXPECT_EQ(map.Objects[1].Animated, 1);
    EXPECT_EQ(map.Objects[2].ModelName, "3DOBJEKT\\Tree\\T.3dk");
    EXPECT_EQ(map.Objects[2].SecondName, "second");
    EXPECT_EQ(map.CurrentObjectNumber, 4);
}

TEST_F(LevelGl, WaterAndEmitterRecordsCreateTheirObjects) {
    WriteLevelFile({WaterRecord(40.9f, {10, 20, 1}), EmitterRecord("fire.kpr", {30, 40, 0})});
    Load();
    ASSERT_EQ(map.Objects.size(), 2u);
    const ObjectKart& water = map.Objects[0];
    EXPECT_EQ(water.Kind, kMapKindWater);
    EXPECT_EQ(water.Water.GridCount, 40);
    EXPECT_EQ(water.Water.Heights.size(), 1600u);
    EXPECT_FLOAT_EQ(water.Water.Size, 30.0f);
    EXPECT_FLOAT_EQ(water.Water.Damping, 0.75f);
    EXPECT_FLOAT_EQ(water.Water.TexScale, 1.0f);
    EXPECT_FLOAT_EQ(water.Water.Position.y, 20.0f);
    EXPECT_EQ(water.Water.TextureName, "w.png");
    EXPECT_EQ(water.Rotation[0], 1.0f);  // the stored rotation is replaced by identity
    EXPECT_EQ(water.Rotation[1], 0.0f);
    const ObjectKart& emitter = map.Objects[1];
    EXPECT_EQ(emitter.Kind, kMapKindEmitter);
    EXPECT_EQ(emitter.ModelName, "fire.kpr");
    EXPECT_EQ(emitter.Particles.Active, 1);
    EXPECT_EQ(emitter.Particles.Count, 20);
    EXPECT_EQ(emitter.Particles.VertexBufferSize, 20 * 128);
    EXPECT_FLOAT_EQ(emitter.Particles.Radius, 10.0f);
    EXPECT_EQ(emitter.Rotation[1], 0.0f);
    EXPECT_EQ(map.MapModelCount, 0);
}

TEST_F(LevelGl, ModelKindFourReadsAWaterBlockToo) {
    LevelObject pond = ModelRecord("3DOBJEKT\\pond\\p.3dk", {1, 1, 1});
    pond.kind = 4;  // the writer follows the model's kind with a water block
    pond.gridPoints = 12.0f;
    pond.sideLength = 8;
    pond.damping = 0.5f;
    pond.textureName = "w.png";
    WriteLevelFile({pond, ModelRecord("3DOBJEKT\\tree\\t.3dk", {2, 2, 2})});
    Load();
    ASSERT_EQ(map.Objects.size(), 2u);
    EXPECT_EQ(map.Objects[0].Kind, kMapKindWater);
    EXPECT_EQ(map.Objects[0].Water.GridCount, 12);
    EXPECT_EQ(map.Objects[1].Kind, 1);
    EXPECT_EQ(map.Objects[1].ModelIndex, 1);
    EXPECT_EQ(map.MapModelCount, 2);
}

TEST_F(LevelGl, LevelEndingMidRecordCreatesTheRestFromZeros) {
    LevelFile level;
    level.objects = {ModelRecord("3DOBJEKT\\tree\\t.3dk", {1, 2, 3}), WaterRecord(16.0f, {5, 6, 7}),
                     EmitterRecord("fire.kpr", {0, 0, 0})};
    std::vector<uint8_t> bytes = WriteLevel(level);
    // Keep the model record, then the water's type byte and its x and y only.
    const size_t modelRecord = 1 + 15 * 4 + 4 + 4 + 4 + 1 + 4 + 19 + 4 + 6;
    bytes.resize(4 + modelRecord + 1 + 8);
    WriteWholeFile(root + "world/1.wrd", bytes);
    Load();
    ASSERT_EQ(map.Objects.size(), 3u);
    EXPECT_EQ(map.Objects[0].Kind, 1);
    const ObjectKart& water = map.Objects[1];
    EXPECT_EQ(water.Kind, kMapKindWater);
    EXPECT_FLOAT_EQ(water.Position.y, 6.0f);
    EXPECT_EQ(water.Position.z, 0.0f);  // missing: zero
    EXPECT_EQ(water.Water.GridCount, kMinWaterGridCount);  // 0 grid points, raised to the minimum
    EXPECT_EQ(water.Water.Size, 0.0f);
    EXPECT_EQ(map.Objects[2].Kind, 0);  // its type byte was never read
}

TEST_F(LevelGl, UnknownTypeByteShiftsTheReading) {
    ByteWriter w;
    w.I32(2);
    w.U8(9);  // unknown: nothing more is read for it
    LevelFile one;
    one.objects = {EmitterRecord("fire.kpr", {3, 4, 5})};
    std::vector<uint8_t> emitter = WriteLevel(one);
    w.Bytes(emitter.data() + 4, emitter.size() - 4);
    WriteWholeFile(root + "world/1.wrd", w.Data());
    Load();
    ASSERT_EQ(map.Objects.size(), 2u);
    EXPECT_EQ(map.Objects[0].Kind, 9);
    EXPECT_EQ(map.Objects[1].Kind, kMapKindEmitter);  // the next bytes became the next record
    EXPECT_FLOAT_EQ(map.Objects[1].Position.z, 5.0f);
}

TEST_F(LevelGl, EmptyLevelAndMissingFiles) {
    WriteLevelFile({});
    Load();
    EXPECT_EQ(land.Built, 1);
    EXPECT_TRUE(map.Objects.empty());
    std::filesystem::remove(root + "world/1.wrd");
    MapObjects again;
    EXPECT_THROW(LoadLevel(root + "world/1.wrd", land, again, context), DataError);
    WriteLevelFile({ModelRecord("3DOBJEKT\\tree\\missing.3dk", {0, 0, 0})});
    EXPECT_THROW(LoadLevel(root + "world/1.wrd", land, again, context), DataError);
}

TEST_F(LevelGl, ShortTerrainAndNegativeParticleCountKeepLoading) {
    // A terrain cut off after five of its nine heights: the rest of the grid lies at 0.
    TerrainFile t;
    t.GridSize = 2;
    t.Size = 100.0f;
    t.Heights = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    t.TexCoords.assign(48, 0.5f);
    t.TextureNames = {"ground.png"};
    std::vector<uint8_t> terrain = WriteTerrain(t);
    terrain.resize(8 + 5 * 4);
    WriteWholeFile(root + "world/1.wrd.map", terrain);
    // An emitter asking for fewer than no particles makes none; the records after it load.
    ParticleFile none;
    none.Count = -5;
    none.Period = 1.0f;
    WriteWholeFile(root + "k_resurs/particles/none.kpr", WriteParticles(none));
    WriteLevelFile({EmitterRecord("none.kpr", {1, 1, 1}), ModelRecord("3DOBJEKT\\tree\\t.3dk", {2, 2, 2}),
                    EmitterRecord("fire.kpr", {3, 3, 3})});
    Load();
    EXPECT_EQ(land.Built, 1);
    ASSERT_EQ(land.GridSize, 2);
    EXPECT_EQ(land.Vertex(1, 1).z, 5.0f);
    EXPECT_EQ(land.Vertex(1, 2).z, 0.0f);
    EXPECT_EQ(land.Vertex(2, 2).z, 0.0f);
    ASSERT_EQ(map.Objects.size(), 3u);
    EXPECT_EQ(map.Objects[0].Kind, kMapKindEmitter);
    EXPECT_EQ(map.Objects[0].Particles.Count, 0);
    EXPECT_EQ(map.Objects[1].Kind, 1);
    EXPECT_EQ(map.Objects[2].Kind, kMapKindEmitter);
    EXPECT_EQ(map.Objects[2].Particles.Count, 20);
}

TEST_F(LevelGl, ModelFailingPartWayKeepsTheObjectsCreatedBeforeIt) {
    WriteWholeFile(root + "3DOBJEKT/tree/broken.3dk", {1, 2, 3});
    LevelObject pond = ModelRecord("3DOBJEKT\\pond\\p.3dk", {1, 1, 1});
    pond.kind = 4;
    pond.gridPoints = 8.0f;
    pond.textureName = "w.png";
    WriteLevelFile({ModelRecord("3DOBJEKT\\tree\\t.3dk", {1, 2, 3}), pond, EmitterRecord("fire.kpr", {4, 5, 6}),
                    ModelRecord("3DOBJEKT\\tree\\broken.3dk", {7, 8, 9}), ModelRecord("3DOBJEKT\\tree\\t.3dk", {0, 0, 0})});
    EXPECT_THROW(Load(), DataError);
    ASSERT_EQ(map.Objects.size(), 5u);
    EXPECT_EQ(map.MapObjectCount, 5);
    EXPECT_EQ(map.MapModelCount, 2);  // the tree and the pond; the broken model is not listed
    EXPECT_EQ(map.Objects[0].Kind, 1);
    EXPECT_FLOAT_EQ(map.Objects[0].Position.z, 3.0f);
    EXPECT_EQ(map.Objects[1].Kind, kMapKindWater);
    EXPECT_EQ(map.Objects[1].ModelIndex, 1);
    EXPECT_EQ(map.Objects[1].Water.GridCount, 8);
    EXPECT_EQ(map.Objects[2].Kind, kMapKindEmitter);
    EXPECT_EQ(map.Objects[2].Particles.Count, 20);
    // The failing record keeps what was read, with no model of its own; the one after it was
    // never read.
    EXPECT_EQ(map.Objects[3].Kind, 1);
    EXPECT_EQ(map.Objects[3].ModelName, "3DOBJEKT\\tree\\broken.3dk");
    EXPECT_FLOAT_EQ(map.Objects[3].Position.y, 8.0f);
    EXPECT_EQ(map.Objects[3].ModelIndex, 0);
    EXPECT_EQ(map.Objects[4].Kind, 0);
}

TEST_F(LevelGl, OneFrameCullsAndDrawsEveryKind) {
    WriteLevelFile({ModelRecord("3DOBJEKT\\tree\\t.3dk", {0, 0, -20}), WaterRecord(10.0f, {0, 0, -30}),
                    EmitterRecord("fire.kpr", {0, 0, -40}), ModelRecord("other\\t.3dk", {0, 0, -20})});
    Load();
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-20, 20, -20, 20, 0.1, 1000);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnable(GL_DEPTH_TEST);
    Frustum view;
    CalculateFrustum(view);
    BillboardSides sides;
    ParticleProgram program;
    MapObjectsFrame frame;
    frame.View = &view;
    frame.Eye = {0, 0, 0};
    frame.Target = {0, 1, 0};
    frame.FrameMs = 16;
    frame.Random = &random;
    frame.Program = &program;
    frame.Sides = &sides;
    StepMapObjects(map, frame);
    DrawMapObjects(map, frame);
    EXPECT_EQ(GlError(), 0u);
    for (const ObjectKart& o : map.Objects) EXPECT_EQ(o.Visible, 1);
    EXPECT_NEAR(sides.LeftX, -0.5f, 1e-6);  // looking along +y, left is -x
    EXPECT_NEAR(map.MapModels[0]->Shared().Sides.LeftX, -0.5f, 1e-6);
    EXPECT_GT(map.Objects[2].Particles.Elapsed, 0.0f);
    bool waterKicked = false;
    for (float v : map.Objects[1].Water.Velocities) waterKicked |= v != 0.0f;
    EXPECT_TRUE(waterKicked);
    Pixels p = ReadPixels(0, 0, kWidth, kHeight);
    int lit = 0;
    for (size_t k = 0; k < p.rgba.size(); k += 4) lit += p.rgba[k] + p.rgba[k + 1] + p.rgba[k + 2] > 0;
    EXPECT_GT(lit, 0);
}

}  // namespace
}  // namespace tv::test
