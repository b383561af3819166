// Runs the built inspector on small files made by the writers.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>

#include "audio/wav_file.h"
#include "common/binary_io.h"
#include "tool_test_dir.h"
#include "models/model_file.h"
#include "models/smd_file.h"
#include "world/level_file.h"
#include "world/particle_file.h"
#include "world/terrain_file.h"

namespace tv {
namespace {

namespace fs = std::filesystem;

struct RunResult {
    int exitCode = -1;
    std::vector<std::string> out;
    std::string err;
};

class Inspector : public ToolTestDir {
  protected:
    RunResult Inspect(const std::vector<std::string>& files) {
        // Bounded: a file the inspector would wait on (a FIFO) fails the test, not the run.
        std::string cmd = std::string("timeout -k 5 60 '") + TERRAVIK_GAME_DIR +
                          "/bin/terravik-inspect' --data-dir '" + dir_.string() + "'";
        for (const std::string& f : files) cmd += " '" + f + "'";
        cmd += " >'" + (dir_ / "out.txt").string() + "' 2>'" + (dir_ / "err.txt").string() + "'";
        RunResult r;
        const int status = std::system(cmd.c_str());
        r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        std::istringstream out(Slurp(dir_ / "out.txt"));
        for (std::string line; std::getline(out, line);) r.out.push_back(line);
        r.err = Slurp(dir_ / "err.txt");
        return r;
    }

};

// The number after "key": in a JSON line (the first occurrence from `from`).
float NumberAfter(const std::string& json, const std::string& key, size_t from = 0) {
    const size_t at = json.find("\"" + key + "\":", from);
    EXPECT_NE(at, std::string::npos) << key;
    if (at == std::string::npos) return -12345.0f;
    size_t v = at + key.size() + 3;
    while (v < json.size() && json[v] == '[') ++v;  // first element of a list
    return std::strtof(json.c_str() + v, nullptr);
}

ModelFile Turret() {
    ModelFile m;
    m.ModelType = ModelType::CpuSkinned;
    m.ObjectKind = 1;
    m.BoneParents = {-1, 0};
    ModelTriangle t;
    t.v[0].position = {0.1f, 1.0f / 3.0f, -2.5e-7f};
    t.v[0].bone = 1;
    m.Triangles = {t, ModelTriangle{}};
    m.RestPose = {{{0, 0, 1}, {0, 0, 0}}, {{0, 0, 4.8f}, {0.5f, 0, 0}}};
    m.DrawGroups = {{0, 2}};
    m.TextureNames = {"NOTEXTURE"};
    m.BoxCentre = {1, 2, 3};
    m.BoxSize = {2, 4, 6};
    m.BodyParameter = 0xFFFFFFFF;
    return m;
}

TEST_F(Inspector, PrintsEveryFormatAsOneLineEach) {
    const std::string model = Put("3DOBJEKT/t.3dk", WriteModel(Turret()));
    ModelFile pond;
    pond.ModelType = ModelType::StaticBuffer;
    pond.ObjectKind = 4;  // a model of kind 4 makes the level read a water block after it
    Put("3DOBJEKT/pond.3dk", WriteModel(pond));

    LevelFile level;
    LevelObject a;
    a.typeByte = 1;
    a.kind = 1;
    a.modelPath = "3DOBJEKT\\t.3dk";
    LevelObject b = a;
    b.kind = 4;
    b.modelPath = "3DOBJEKT\\pond.3dk";
    b.gridPoints = 40.9f;
    b.sideLength = 30;
    b.textureName = "w.jpg";
    LevelObject e;
    e.typeByte = e.kind = 5;
    e.particleFile = "fire.kpr";
    level.objects = {a, b, e};
    const std::string wrd = Put("1.wrd", WriteLevel(level));

    TerrainFile t;
    t.GridSize = 2;
    t.Size = 1000;
    t.Heights = {5, 0, 0, 0, -7.25f, 0, 0, 0, 9};
    t.TexCoords.assign(48, 0.5f);
    t.TexCoords[11] = 0.75f;
    t.TextureNames = {"x.jpg", "grass.jpg"};
    const std::string map = Put("1.wrd.map", WriteTerrain(t));

    ParticleFile p;
    p.Count = 100;
    p.EmitCentre = {0, 0, 0};
    p.TargetCentre = {0, 0, 10};
    p.BlendMode = 2;
    p.TextureName = "smoke.jpg";
    const std::string kpr = Put("fire.KPR", WriteParticles(p));

    WaveFile w;
    w.Rate = 22050;
    w.Samples.assign(100, 0);
    const std::string wav = Put("s.wav", WriteWave(w));

    SmdAnimation anim;
    anim.frames.resize(2);
    anim.frames[1].bones.push_back({{0.25f, 0, 0}, {}, {1, 2, 3}});
    const std::string smd = Put("run.smd", WriteSmd(anim, {}));

    const RunResult r = Inspect({model, wrd, map, kpr, wav, smd});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    ASSERT_EQ(r.out.size(), 6u);
    EXPECT_EQ(r.err, "");

    const std::string& m = r.out[0];
    EXPECT_EQ(m.rfind("{\"format\":\"model\",\"model_type\":4,\"object_kind\":1,\"bone_parents\":[-1,0],"
                      "\"triangle_count\":2,",
                      0),
              0u)
        << m;
    EXPECT_NE(m.find("\"draw_groups\":[[0,2]],\"texture_names\":[\"NOTEXTURE\"]"), std::string::npos) << m;
    EXPECT_NE(m.find("\"corners\":[[2,4,6],[2,4,0],[0,4,0],[0,4,6],"), std::string::npos) << m;
    EXPECT_EQ(NumberAfter(m, "radius"), ModelRadius({1, 2, 3}, {2, 4, 6}));
    EXPECT_NE(m.find("\"body_parameter\":4294967295"), std::string::npos);
    EXPECT_NE(m.find("\"billboard\":null"), std::string::npos);
    // Floats read back exactly.
    const size_t first = m.find("\"first_triangle\"");
    EXPECT_EQ(NumberAfter(m, "position", first), 0.1f);
    EXPECT_NE(m.find("[0.100000001,0.333333343,-2.49999999e-07]", first), std::string::npos) << m;
    EXPECT_EQ(std::strtof("0.333333343", nullptr), 1.0f / 3.0f);
    EXPECT_EQ(std::strtof("-2.49999999e-07", nullptr), -2.5e-7f);
    EXPECT_NE(m.find("\"bones\":[[1,1]]", first), std::string::npos);
    const Quaternion q = EulerToQuaternion({0.5f, 0, 0});
    EXPECT_EQ(NumberAfter(m, "quaternion", m.find("4.80000019")), q.x);

    const std::string& lv = r.out[1];
    EXPECT_EQ(
        lv.rfind("{\"format\":\"level\",\"object_count\":3,\"objects\":[{\"type_byte\":1,\"kind\":1,", 0), 0u)
        << lv;
    EXPECT_NE(lv.find("\"type_byte\":1,\"kind\":4,"), std::string::npos) << lv;
    EXPECT_EQ(NumberAfter(lv, "grid_points"), 40.9f);
    EXPECT_NE(lv.find("\"side_length\":30,\"damping\":0,\"texture_name\":\"w.jpg\""), std::string::npos)
        << lv;
    EXPECT_NE(lv.find("\"model_path\":\"fire.kpr\",\"second_name\":\"\",\"particle_file\":\"fire.kpr\"}]}"),
              std::string::npos)
        << lv;

    EXPECT_EQ(r.out[2],
              "{\"format\":\"terrain\",\"grid_size\":2,\"size\":1000,\"height_min\":-7.25,\"height_max\":9,"
              "\"corner_heights\":[5,0,0,9],\"texture_name_count\":2,\"texture_name\":\"grass.jpg\","
              "\"first_cell_texcoords\":[0.5,0.5,0.5,0.5,0.5,0.5,0.5,0.5,0.5,0.5,0.5,0.75]}");
    EXPECT_EQ(r.out[3],
              "{\"format\":\"particles\",\"count\":100,\"colour\":[0,0,0,0],\"colour_change\":[0,0,0,0],"
              "\"emit_centre\":[0,0,0],\"target_centre\":[0,0,10],\"speed\":0,\"start_size\":0,"
              "\"size_change\":0,\"emit_spread\":0,\"target_spread\":0,\"period\":0,\"blend_mode\":2,"
              "\"texture_name\":\"smoke.jpg\",\"radius\":10}");
    EXPECT_EQ(r.out[4],
              "{\"format\":\"wave\",\"format_tag\":1,\"channels\":1,\"rate\":22050,\"bits\":16,"
              "\"block_align\":2,\"bytes_per_second\":44100,\"data_bytes\":100}");
    EXPECT_EQ(
        r.out[5],
        "{\"format\":\"animation\",\"frames\":[{\"bones\":[]},{\"bones\":[{\"position\":[1,2,3],"
        "\"rotation\":[0.25,0,0],\"quaternion\":[" +
            [] {
                const Quaternion q = EulerToQuaternion({0.25f, 0, 0});
                char buf[128];
                std::snprintf(buf, sizeof buf, "%.9g,%.9g,%.9g,%.9g", q.x, q.y, q.z, q.w);
                return std::string(buf);
            }() +
            "]}]}]}");
}

TEST_F(Inspector, NonFiniteValuesAreShownWithOneWarningAndExitZero) {
    ParticleFile p;
    p.Colour[1] = std::numeric_limits<float>::quiet_NaN();
    p.Speed = std::numeric_limits<float>::infinity();
    const std::string kpr = Put("odd.kpr", WriteParticles(p));
    const RunResult r = Inspect({kpr});
    EXPECT_EQ(r.exitCode, 0);
    ASSERT_EQ(r.out.size(), 1u);
    EXPECT_NE(r.out[0].find("\"colour\":[0,null,0,0]"), std::string::npos) << r.out[0];
    EXPECT_EQ(r.err, "terravik: warning: " + kpr + ": offset 8: colour: is NaN (taken as it is; the first such value of the file)\n");
}

TEST_F(Inspector, BadFilesReportWhereAndExitOne) {
    std::vector<uint8_t> bytes = WriteModel(Turret());
    bytes.resize(30);
    const std::string cut = Put("cut.3dk", bytes);
    const std::string good = Put("ok.wav", WriteWave(WaveFile{}));
    const std::string odd = Put("notes.txt", {1, 2, 3});
    const std::string level = Put("lost.wrd", [] {
        LevelFile l;
        LevelObject o;
        o.typeByte = o.kind = 1;
        o.modelPath = "3DOBJEKT\\missing.3dk";
        l.objects = {o};
        return WriteLevel(l);
    }());

    const std::string folder = (dir_ / "folder.wrd").string();  // a data path that is a directory
    fs::create_directories(folder);

    const std::string fifo = (dir_ / "pipe.wav").string();  // no writer ever comes
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);

    const RunResult r = Inspect({cut, good, odd, level, folder, fifo});
    EXPECT_EQ(r.exitCode, 1);
    ASSERT_EQ(r.out.size(), 1u);
    EXPECT_EQ(r.out[0].rfind("{\"format\":\"wave\"", 0), 0u);
    std::string expected;
    try {
        ReadModel(bytes, cut);
    } catch (const DataError& e) {
        expected = std::string(e.what()) + "\n";
    }
    ASSERT_EQ(expected.rfind(cut + ": offset ", 0), 0u) << expected;
    ASSERT_EQ(r.err.rfind(expected, 0), 0u) << r.err;
    std::istringstream lines(r.err);
    std::vector<std::string> errs;
    for (std::string line; std::getline(lines, line);) errs.push_back(line);
    ASSERT_EQ(errs.size(), 5u) << r.err;
    EXPECT_EQ(errs[1].rfind(odd + ": offset 0: file: ", 0), 0u) << errs[1];
    EXPECT_NE(errs[2].find("missing.3dk: offset 0: file: cannot open: "), std::string::npos) << errs[2];
    EXPECT_EQ(errs[3], folder + ": offset 0: file: is a directory");
    EXPECT_EQ(errs[4], fifo + ": offset 0: file: not a regular file");
}

}  // namespace
}  // namespace tv
