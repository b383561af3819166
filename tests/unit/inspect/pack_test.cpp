// `terravik-inspect --full` and `terravik-pack` on files the data set never holds, and
// terravik-pack on broken documents.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <map>
#include <sstream>

#include "common/binary_io.h"
#include "tool_test_dir.h"
#include "models/model_file.h"
#include "world/level_file.h"
#include "world/particle_file.h"
#include "world/terrain_file.h"

namespace tv {
namespace {

namespace fs = std::filesystem;

class PackTool : public ToolTestDir {
  protected:
    // Runs a built tool with quoted arguments; stdout to out.txt, stderr to err_.
    int Run(const std::string& tool, const std::vector<std::string>& args) {
        std::string cmd = "timeout -k 5 60 '" + std::string(TERRAVIK_GAME_DIR) + "/bin/" + tool + "'";
        for (const std::string& a : args) cmd += " '" + a + "'";
        cmd += " >'" + (dir_ / "out.txt").string() + "' 2>'" + (dir_ / "err.txt").string() + "'";
        const int status = std::system(cmd.c_str());
        out_ = Slurp(dir_ / "out.txt");
        err_ = Slurp(dir_ / "err.txt");
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    // --full, then pack; the packed file must equal the original.
    void ExpectRoundTrip(const std::string& file) {
        ASSERT_EQ(Run("terravik-inspect", {"--data-dir", dir_.string(), "--full", file}), 0) << err_;
        const std::string json = (dir_ / "doc.json").string();
        doc_ = out_;
        std::ofstream(json, std::ios::binary) << doc_;
        const std::string packed = (dir_ / "packed.bin").string();
        ASSERT_EQ(Run("terravik-pack", {json, packed}), 0) << err_;
        EXPECT_EQ(Slurp(packed), Slurp(file)) << file;
    }

    std::string out_, err_;
    std::string doc_;  // the last document ExpectRoundTrip packed
};

TEST_F(PackTool, CarriesWhatTheDataSetNeverHoldsExactly) {
    // A model record whose model is a water: its model block and its water block differ.
    ModelFile pond;
    pond.ModelType = ModelType::StaticBuffer;
    pond.ObjectKind = 4;
    Put("3DOBJEKT/pond.3dk", WriteModel(pond));
    ByteWriter lw;
    lw.I32(2);
    lw.U8(1);
    for (int block = 0; block < 2; ++block) {
        for (int k = 0; k < 15; ++k) lw.F32(static_cast<float>(block * 100 + k));
        lw.U32(7);
        lw.F32(0.25f);
        lw.U32(9);
        lw.U8(1);
        lw.LengthPrefixedString(block == 0 ? "3DOBJEKT\\pond.3dk" : "other");
        lw.LengthPrefixedString("");
    }
    lw.F32(40.9f);
    lw.I32(30);
    lw.F32(0.5f);
    lw.LengthPrefixedString("w.jpg");
    lw.U8(9);  // a record of a type the game ignores: nothing follows it
    lw.Text("tail");
    ExpectRoundTrip(Put("pond.wrd", lw.Data()));
    EXPECT_NE(doc_.find("\"water\""), std::string::npos);

    // Odd floats, a Cyrillic name, a byte Windows-1251 lacks, trailing bytes.
    ParticleFile p;
    p.Count = -3;
    p.Colour = {-0.0f, std::numeric_limits<float>::infinity(), std::nanf("0x123"), 1e-45f};
    p.Speed = 3.4028235e38f;
    p.TextureName = "\xE4\xFB\xEC.jpg";  // "дым" in Windows-1251
    std::vector<uint8_t> kpr = WriteParticles(p);
    kpr.push_back(0);
    ExpectRoundTrip(Put("odd.kpr", kpr));
    EXPECT_NE(doc_.find("дым.jpg"), std::string::npos);
    p.TextureName = "a\x98z";
    ExpectRoundTrip(Put("hex.kpr", WriteParticles(p)));
    EXPECT_NE(doc_.find("{\"hex\": \"61987a\"}"), std::string::npos);

    // A billboard, a GPU-skinned mesh with collision shapes, a type that carries nothing.
    ModelFile b;
    b.ModelType = ModelType::Billboard;
    b.Billboard = {1.5f, 3.0f, {1, 2, 3, 4}};
    b.TextureNames = {"tree.tga"};
    ExpectRoundTrip(Put("tree.3dk", WriteModel(b)));
    ModelFile s;
    s.ModelType = ModelType::SkinnedBuffer;
    s.BoneParents = {-1, 0};
    ModelTriangle t;
    t.v[1].weights = {BoneWeight{1, 0.5f}, BoneWeight{-1, 0.25f}, BoneWeight{7, 0.125f}};
    s.Triangles = {t};
    s.RestPose = {{{0, 0, 1}, {0, 0, 0}}, {{0, 0, 4.8f}, {0.5f, 0, 0}}};
    s.DrawGroups = {{0, 1}};
    s.TextureNames = {"a.tga", "b.tga"};
    s.CollisionBoxes.resize(1);
    s.CollisionBoxes[0].name = "hull";
    s.CollisionSpheres.resize(2);
    s.VectorB = {1, 2, 3};
    ExpectRoundTrip(Put("skinned.3dk", WriteModel(s)));
    ExpectRoundTrip(Put("odd.3dk", {7, 3, 1, 2, 3}));

    // What JSON cannot carry is refused, not printed: a level cut inside its record.
    std::vector<uint8_t> cut = lw.Data();
    cut.resize(20);
    EXPECT_EQ(Run("terravik-inspect", {"--data-dir", dir_.string(), "--full", Put("cut.wrd", cut)}), 1);
    EXPECT_EQ(out_, "");
    EXPECT_NE(err_.find("cut.wrd"), std::string::npos) << err_;
}

TEST_F(PackTool, RefusesBadDocumentsNamingThePathAndWritesNothing) {
    TerrainFile terrain;
    terrain.GridSize = 1;
    terrain.Size = 10;
    terrain.Heights = {1, 2, 3, 4};
    terrain.TexCoords.assign(12, 0.5f);
    terrain.TextureNames = {"grass.jpg"};
    ModelFile m;
    m.ModelType = ModelType::CpuSkinned;
    m.BoneParents = {-1, 0};
    m.Triangles.resize(2);
    m.RestPose.resize(2);
    m.DrawGroups = {{0, 2}};
    m.TextureNames = {"t.tga"};
    m.CollisionBoxes.resize(1);
    LevelFile level;
    LevelObject e;
    e.typeByte = e.kind = 5;
    level.objects = {e};

    std::map<std::string, std::string> docs;
    for (const auto& [name, bytes] :
         {std::pair<std::string, std::vector<uint8_t>>{"t.wrd.map", WriteTerrain(terrain)},
          {"m.3dk", WriteModel(m)},
          {"l.wrd", WriteLevel(level)},
          {"p.kpr", WriteParticles(ParticleFile{})}}) {
        ASSERT_EQ(Run("terravik-inspect", {"--data-dir", dir_.string(), "--full", Put(name, bytes)}), 0)
            << err_;
        docs[name] = out_;
    }

    struct Case {
        std::string doc, find, replace;  // the edit to a good document
        std::string path, reason;        // what the one stderr line must say
    };
    const std::string deep = std::string(100, '[') + std::string(100, ']');
    const std::vector<Case> cases = {
        {"m.3dk", "\"texcoord\": [0, 0], \"bone\": 0}]", "\"texcoord\": [0, \"x\"], \"bone\": 0}]",
         "$.triangles[0][2].texcoord[1]", "expected a number or a float's bits"},
        {"m.3dk", "\"normal\": [0, 0, 0], ", "", "$.triangles[0][0]", "missing member \"normal\""},
        {"m.3dk", "\"triangle_count\": 2", "\"triangle_count\": 3", "$.triangles",
         "holds 2 elements but triangle_count is 3"},
        {"m.3dk", "\"bone_parents\": [-1, 0]", "\"bone_parents\": [-1, 1]", "$.bone_parents[1]",
         "does not precede it"},
        {"m.3dk", "\"transparent\": 0", "\"transparent\": 256", "$.transparent", "256 is outside 0 .. 255"},
        {"m.3dk", "\"name\": \"\"", "\"name\": \"a/b\"", "$.collision_boxes[0].name", "cannot hold '/'"},
        {"m.3dk", "\"static\": 0", "\"static\": 0, \"vector_a\": [0, 0, 0]", "$.vector_a",
         "not a member of a model of type 4"},
        {"m.3dk", "\"texture_names\": [\n    \"t.tga\"", "\"texture_names\": [\n    \"漢\"",
         "$.texture_names[0]", "outside Windows-1251"},
        {"t.wrd.map", "\"size\": 10", "\"size\": 1e39", "$.size", "outside the range of a 32-bit float"},
        {"t.wrd.map", "\"grid_size\": 1", "\"grid_size\": 2000", "$.grid_size", "2000 is outside 1 .. 1024"},
        {"t.wrd.map", "[1, 2],\n    [3, 4]", "[1, 2],\n    [3]", "$.heights[1]",
         "expected 2 elements, found 1"},
        {"t.wrd.map", "\"trailing\": \"\"", "\"trailing\": \"0g\"", "$.trailing", "not a hex digit"},
        {"l.wrd", "\"type\": 5", "\"type\": 4", "$.objects[0]", "missing member \"water\""},
        {"l.wrd", "\"object_count\": 1", "\"object_count\": 2", "$.objects",
         "holds 1 records but object_count is 2"},
        {"l.wrd", "\"spare_a\": 0", "\"spare_a\": -1", "$.objects[0].emitter.spare_a",
         "-1 is outside 0 .. 4294967295"},
        {"p.kpr", "\"schema\": 1", "\"schema\": 2", "$.schema", "schema 2 is not the 1"},
        {"p.kpr", "\"count\": 0", "\"count\": 0, \"count\": 1", "$.count", "malformed JSON at line 4"},
        {"p.kpr", "\"period\": 0,", "\"period\": 0", "$.period",
         "malformed JSON at line 15, column 3: expected ','"},
        {"p.kpr", "\"colour\": [0, 0, 0, 0]", "\"colour\": " + deep, "$.colour[0][0][0]",
         "nested deeper than 64 levels"},
        {"p.kpr", "\"speed\": 0,", "\"speed\": 0, \"speeed\": 1,", "$.speeed", "unknown member"},
    };
    const std::string out = (dir_ / "out.bin").string();
    for (const Case& c : cases) {
        std::string text = docs.at(c.doc);
        const size_t at = text.find(c.find);
        ASSERT_NE(at, std::string::npos) << c.find;
        text.replace(at, c.find.size(), c.replace);
        const std::string json = (dir_ / "bad.json").string();
        std::ofstream(json, std::ios::binary) << text;
        std::ofstream(out, std::ios::binary) << "before";
        EXPECT_EQ(Run("terravik-pack", {json, out}), 1) << c.path;
        const std::string prefix = "terravik-pack: " + json + ": " + c.path;
        EXPECT_EQ(err_.rfind(prefix, 0), 0u) << err_;
        EXPECT_NE(err_.find(c.reason), std::string::npos) << err_;
        EXPECT_EQ(std::count(err_.begin(), err_.end(), '\n'), 1) << err_;
        EXPECT_EQ(Slurp(out), "before") << c.path;  // the old file stays as it was
    }
    // Nothing at all is written for a bad document, not even an empty file.
    fs::remove(out);
    EXPECT_EQ(Run("terravik-pack", {(dir_ / "bad.json").string(), out}), 1);
    EXPECT_FALSE(fs::exists(out));
}

}  // namespace
}  // namespace tv
