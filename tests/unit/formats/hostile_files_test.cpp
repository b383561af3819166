// Files built to hurt the loaders, generated here: each ends in one DataError, or, when valid,
// loads within memory bounded by its size. Memory is measured as the growth of the process's
// peak RSS (each test runs in its own process under ctest).
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>

#include <cmath>
#include <cstdio>
#include <limits>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

#include "audio/ogg_decoder.h"
#include "audio/wav_file.h"
#include "common/binary_io.h"
#include "common/memory_budget.h"
#include "models/model_file.h"
#include "models/smd_file.h"
#include "world/level_file.h"
#include "world/particle_file.h"
#include "world/terrain_file.h"

namespace tv {
namespace {

namespace fs = std::filesystem;

size_t PeakRssBytes() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<size_t>(u.ru_maxrss) * 1024;
}

fs::path TempDir() {
    const fs::path dir = fs::path(TERRAVIK_TEST_TMP) /
                         ("hostile-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir;
}

template <typename F>
DataError ExpectDataError(F&& load) {
    try {
        load();
    } catch (const DataError& e) {
        return e;
    }
    ADD_FAILURE() << "no DataError";
    return DataError("", 0, "", "");
}

auto AnyKind = [](const std::string&) -> uint8_t { return 2; };

TEST(HostileFiles, IoFailuresAreDataErrorsNamingFileAndReason) {
    const fs::path dir = TempDir();
    // A level emitter with an empty particle name makes the game open the particle folder.
    const fs::path folder = dir / "particles";
    fs::create_directories(folder);
    for (const auto& load : {std::function<void()>([&] { ReadWholeFile(folder.string()); }),
                             std::function<void()>([&] { ReadParticlesFile(folder.string()); }),
                             std::function<void()>([&] { ReadLevelFile(folder.string(), AnyKind); })}) {
        const DataError e = ExpectDataError(load);
        EXPECT_EQ(e.file(), folder.string());
        EXPECT_EQ(e.field(), "file");
        EXPECT_EQ(e.message(), "is a directory");
    }
    const DataError missing = ExpectDataError([&] { ReadWholeFile((dir / "gone.wrd").string()); });
    EXPECT_EQ(missing.message(), "cannot open: No such file or directory");

    const fs::path locked = dir / "locked.kpr";
    WriteWholeFile(locked.string(), {1, 2, 3});
    ::chmod(locked.c_str(), 0);
    if (::geteuid() != 0) {  // root reads it anyway
        EXPECT_EQ(ExpectDataError([&] { ReadWholeFile(locked.string()); }).message(),
                  "cannot open: Permission denied");
    }
    EXPECT_EQ(ExpectDataError([] { ReadWholeFile("/dev/null"); }).message(), "not a regular file");
}

// A FIFO (or a device) in place of a data file: refused at once, never waited on. The loads
// run in a child so that one which blocks fails the test after a few seconds instead of
// hanging it.
TEST(HostileFiles, NonRegularFilesAreRefusedWithoutWaiting) {
    const fs::path fifo = TempDir() / "1.wrd";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        int bad = 0;
        for (const auto& load : {std::function<void()>([&] { ReadWholeFile(fifo.string()); }),
                                 std::function<void()>([&] { ReadLevelFile(fifo.string(), AnyKind); }),
                                 std::function<void()>([&] { ReadWaveFile(fifo.string()); })}) {
            try {
                load();
                ++bad;
            } catch (const DataError& e) {
                if (e.file() != fifo.string() || e.message() != "not a regular file") {
                    std::fprintf(stderr, "%s\n", e.what());
                    ++bad;
                }
            }
        }
        if (OggDecoder::Open(fifo.string())) ++bad;  // the music plays nothing rather than wait
        std::fflush(stderr);
        ::_exit(bad);
    }
    int status = 0;
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (::waitpid(child, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > until) {
            ::kill(child, SIGKILL);
            ::waitpid(child, &status, 0);
            FAIL() << "a load waited on the FIFO";
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "loads that did not refuse the FIFO as not a regular file";
}

TEST(HostileFiles, LevelsThatWouldCostGigabytesAreRefusedCheaply) {
    // Count 2,000,000 then as many zero bytes: each byte is a whole (empty) record, which
    // passes a bytes-left check and used to cost about a kilobyte of memory per byte.
    const fs::path path = TempDir() / "huge.wrd";
    {
        ByteWriter w;
        w.I32(2'000'000);
        w.Data().resize(4 + 2'000'000, 0);
        WriteWholeFile(path.string(), w.Data());
    }
    const size_t before = PeakRssBytes();
    const DataError e = ExpectDataError([&] { ReadLevelFile(path.string(), AnyKind); });
    EXPECT_EQ(e.file(), path.string());
    EXPECT_EQ(e.offset(), 0u);
    EXPECT_EQ(e.field(), "object count");
    EXPECT_NE(e.message().find("cap of 65536"), std::string::npos) << e.what();
    EXPECT_LT(PeakRssBytes() - before, size_t{32} << 20);

    // At the cap the records load (as type-0 records: nothing but their type byte).
    ByteWriter w;
    w.I32(65536);
    w.Data().resize(4 + 65536, 0);
    EXPECT_EQ(ReadLevel(w.Data(), "cap.wrd", AnyKind).objects.size(), 65536u);

    // Water records of about a hundred bytes whose grids (clamped to 1024 a side) would each
    // cost 32 MB: four fit the budget, the fifth is refused at its record.
    LevelFile level;
    LevelObject water;
    water.typeByte = water.kind = kLevelWater;
    water.gridPoints = 1e9f;
    level.objects.assign(5, water);
    const std::vector<uint8_t> ponds = WriteLevel(level);
    const DataError big = ExpectDataError([&] { ReadLevel(ponds, "ponds.wrd", AnyKind); });
    EXPECT_EQ(big.field(), "water grid points");
    EXPECT_EQ(big.offset(), 4 + 4 * (ponds.size() - 4) / 5 + 1);
    level.objects.resize(4);
    EXPECT_EQ(ReadLevel(WriteLevel(level), "four.wrd", AnyKind).objects.size(), 4u);
    // Below the clamp a grid costs its own side squared: four of 1000 x 1000 fit, five do not.
    water.gridPoints = 1000.5f;
    level.objects.assign(5, water);
    EXPECT_EQ(ExpectDataError([&] { ReadLevel(WriteLevel(level), "mid.wrd", AnyKind); }).field(), "water grid points");
    level.objects.resize(4);
    EXPECT_EQ(ReadLevel(WriteLevel(level), "four-mid.wrd", AnyKind).objects.size(), 4u);
}

TEST(HostileFiles, ObjectsThatEachLoadTexturesAndTerrainNamesAreCapped) {
    // Emitters and waters load a texture each (hundreds of kilobytes) from a record of a few
    // dozen bytes: up to the cap they load, the next is refused at its record.
    for (const uint8_t kind : {kLevelEmitter, kLevelWater}) {
        LevelFile level;
        LevelObject o;
        o.typeByte = o.kind = kind;
        o.gridPoints = 3;
        o.particleFile = "fire.kpr";
        level.objects.assign(kind == kLevelEmitter ? kMaxLevelEmitters : kMaxLevelWaters, o);
        EXPECT_EQ(ReadLevel(WriteLevel(level), "cap.wrd", AnyKind).objects.size(), level.objects.size());
        level.objects.push_back(o);
        const std::vector<uint8_t> bytes = WriteLevel(level);
        const DataError e = ExpectDataError([&] { ReadLevel(bytes, "over.wrd", AnyKind); });
        EXPECT_EQ(e.field(), kind == kLevelEmitter ? "emitters" : "waters");
        EXPECT_EQ(e.offset(), 4 + (bytes.size() - 4) / level.objects.size() * (level.objects.size() - 1) + 1);
    }

    // A terrain's names cost a string each, however short: 16M empty names were 715 MB.
    TerrainFile t;
    t.GridSize = 1;
    t.Heights.assign(4, 0.0f);
    t.TexCoords.assign(12, 0.0f);
    t.TextureNames.assign(kMaxTerrainTextureNames, "");
    t.TextureNames.back() = "ground.jpg";
    EXPECT_EQ(ReadTerrain(WriteTerrain(t), "cap.map").TextureName, "ground.jpg");
    std::vector<uint8_t> many = WriteTerrain(t);
    const size_t countAt = 8 + 4 * 4 + 12 * 4;
    many.resize(countAt);
    ByteWriter names;
    names.I32(1 << 24);
    names.Data().resize(4 + (size_t{4} << 24), 0);
    many.insert(many.end(), names.Data().begin(), names.Data().end());
    const size_t before = PeakRssBytes();
    const DataError e = ExpectDataError([&] { ReadTerrain(many, "names.map"); });
    EXPECT_EQ(e.field(), "texture names");
    EXPECT_EQ(e.offset(), countAt);
    EXPECT_LT(PeakRssBytes() - before, size_t{16} << 20);
}

// Files each within their caps still add up: the run's one budget refuses the load that
// passes it, naming that file and field, and keeps what was charged before.
TEST(HostileFiles, TheStartupBudgetRefusesTheLoadThatPassesIt) {
    auto refusal = [](const std::function<void()>& load) -> DataError {
        try {
            load();
        } catch (const DataError& e) {
            return e;
        }
        ADD_FAILURE() << "accepted past the budget";
        return DataError("", 0, "", "");
    };
    StartupBudget budget(uint64_t{1} << 20);  // 1 MB for the test
    TerrainFile t;
    t.GridSize = 64;  // 65 * 65 heights and 64 * 64 * 12 coordinates: 213,508 bytes
    t.Heights.assign(65 * 65, 1.0f);
    t.TexCoords.assign(64 * 64 * 12, 0.5f);
    const std::vector<uint8_t> terrain = WriteTerrain(t);
    for (const char* name : {"a.map", "b.map", "c.map", "d.map"}) ReadTerrain(terrain, name, &budget);
    EXPECT_EQ(budget.Used(), 4u * 213508u);
    DataError e = refusal([&] { ReadTerrain(terrain, "e.map", &budget); });
    EXPECT_EQ(e.file(), "e.map");
    EXPECT_EQ(e.field(), "grid size");
    EXPECT_EQ(e.message(), "start-up memory budget of 1 MB exceeded");
    EXPECT_EQ(budget.Used(), 4u * 213508u);

    LevelFile level;
    LevelObject o;
    o.typeByte = o.kind = 0;
    level.objects.assign(1000, o);
    const uint64_t levelBytes = 1000 * sizeof(LevelObject);
    StartupBudget levels(2 * levelBytes);
    ReadLevel(WriteLevel(level), "a.wrd", AnyKind, {}, &levels);
    ReadLevel(WriteLevel(level), "b.wrd", AnyKind, {}, &levels);
    level.objects.resize(1);
    e = refusal([&] { ReadLevel(WriteLevel(level), "c.wrd", AnyKind, {}, &levels); });
    EXPECT_EQ(e.file(), "c.wrd");
    EXPECT_EQ(e.field(), "object count");

    StartupBudget run;  // the game's
    run.Charge(kStartupBudgetBytes - 1, "x", "y");
    e = refusal([&] { run.Charge(2, "big.png", "texels"); });
    EXPECT_EQ(e.message(), "start-up memory budget of 1 GB exceeded");
}

TEST(HostileFiles, NonFiniteFloatsWarnOncePerFileNamingTheFirst) {
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    ParticleFile p;
    p.Colour[1] = nan;
    p.Speed = -inf;
    LevelFile level;
    LevelObject o;
    o.typeByte = o.kind = kLevelWater;
    o.position.y = inf;
    o.damping = nan;
    level.objects.assign(2, o);
    TerrainFile t;
    t.GridSize = 1;
    t.Heights = {0, 0, nan, 0};
    t.TexCoords.assign(12, inf);
    ModelFile m;
    m.ModelType = ModelType::Billboard;
    m.Billboard.height = inf;
    m.BoxSize = {nan, 1, 1};

    testing::internal::CaptureStderr();
    const ParticleFile readP = ReadParticles(WriteParticles(p), "p.kpr");
    ReadLevel(WriteLevel(level), "l.wrd", AnyKind);
    ReadTerrain(WriteTerrain(t), "t.map");
    ReadModel(WriteModel(m), "m.3dk");
    ReadParticles(WriteParticles(ParticleFile{}), "clean.kpr");
    const std::string err = testing::internal::GetCapturedStderr();
    // Taken as they are, as the game always has.
    EXPECT_TRUE(std::isnan(readP.Colour[1]));
    EXPECT_EQ(readP.Speed, -inf);
    EXPECT_EQ(err,
              "terravik: warning: p.kpr: offset 8: colour: is NaN (taken as it is; the first such value of the file)\n"
              "terravik: warning: l.wrd: offset 9: position: is infinity (taken as it is; the first such value of the "
              "file)\n"
              "terravik: warning: t.map: offset 16: heights: is NaN (taken as it is; the first such value of the file)\n"
              "terravik: warning: m.3dk: offset 6: height: is infinity (taken as it is; the first such value of the "
              "file)\n");
}

TEST(HostileFiles, LargeValidSmdLoadsWithinBoundedMemory) {
    // A 6 MB animation of 60 bones per frame, written straight to disk so that making it
    // leaves no high-water mark of its own.
    const fs::path path = TempDir() / "run.smd";
    size_t fileBytes = 0;
    size_t frames = 0;
    {
        std::ofstream out(path, std::ios::binary);
        out << "version 1\nnodes\n0 \"root\" -1\nend\nskeleton\n";
        char line[128];
        while (out.tellp() < (6 << 20)) {
            out << "time " << frames++ << "\n";
            for (int b = 0; b < 60; ++b) {
                std::snprintf(line, sizeof line, "%d %.4f %.4f %.4f %.4f %.4f %.4f\n", b, b * 0.5, -1.25, 3.0,
                              0.01 * frames, 0.0, -0.5);
                out << line;
            }
        }
        out << "end\n";
        fileBytes = static_cast<size_t>(out.tellp());
    }
    const size_t before = PeakRssBytes();
    const SmdAnimation a = ReadSmdFile(path.string());
    const size_t grown = PeakRssBytes() - before;
    ASSERT_EQ(a.frames.size(), frames);
    EXPECT_EQ(a.frames.back().bones.size(), 60u);
    EXPECT_FLOAT_EQ(a.frames.back().bones[59].position.x, 29.5f);
    // The bytes themselves plus the poses (40 bytes for a line of about 50).
    std::printf("SMD of %zu bytes: peak RSS grew by %zu bytes\n", fileBytes, grown);
    EXPECT_LT(grown, 3 * fileBytes);
}

TEST(HostileFiles, SmdWhosePosesWouldDwarfTheFileIsRefused) {
    // Two-byte bone lines: each would cost 40 bytes of pose.
    std::string text = "skeleton\ntime 0\n";
    for (int i = 0; i < 100000; ++i) text += "0\n";
    const DataError e =
        ExpectDataError([&] { ReadSmd(std::vector<uint8_t>(text.begin(), text.end()), "tiny-lines.smd"); });
    EXPECT_EQ(e.field(), "skeleton");
    // A realistic animation of the same number of lines is fine.
    std::string real = "skeleton\ntime 0\n";
    for (int i = 0; i < 100000; ++i) real += "0 1.5 2.5 3.5 0.1 0.2 0.3\n";
    EXPECT_EQ(ReadSmd(std::vector<uint8_t>(real.begin(), real.end()), "real.smd").frames[0].bones.size(), 100000u);
}

}  // namespace
}  // namespace tv
