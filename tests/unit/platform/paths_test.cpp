#include "platform/paths.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace tv {
namespace {

namespace fs = std::filesystem;

class Paths : public ::testing::Test {
protected:
    void SetUp() override {
        // ctest runs tests in parallel processes: each test gets its own folder.
        root = fs::path(TERRAVIK_TEST_TMP) / (std::string("paths_") +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(root);
        fs::create_directories(root / "k_resurs" / "Sound");
        std::ofstream(root / "k_resurs" / "Sound" / "Expl_1.WAV") << "x";
        base = root.string() + "/";
    }
    fs::path root;
    std::string base;
};

TEST_F(Paths, BackslashesAndMixedCaseFindTheFileOnDisk) {
    const std::string onDisk = base + "k_resurs/Sound/Expl_1.WAV";
    EXPECT_EQ(ResolvePath(base + "k_resurs\\Sound\\Expl_1.WAV"), onDisk);
    EXPECT_EQ(ResolvePath(DataPath(base, "k_resurs\\sound\\expl_1.wav")), onDisk);
    EXPECT_EQ(ResolvePath(base + "K_RESURS/SOUND/EXPL_1.wav"), onDisk);
}

TEST_F(Paths, AMissingFileKeepsTheSpellingWithSlashes) {
    EXPECT_EQ(ResolvePath(base + "k_resurs\\sound\\missing.wav"), base + "k_resurs/sound/missing.wav");
    EXPECT_FALSE(fs::exists(ResolvePath(base + "world\\1.wrd")));
}

// Mods lie over the data root with the same spelling rules, the last one first; a file a mod
// lacks comes from the layers below, whichever layer the path was spelled under.
TEST_F(Paths, ModFoldersOverlayTheDataRoot) {
    const std::string sky = "k_resurs\\Sky\\2.jpg";
    fs::create_directories(root / "k_resurs" / "Sky");
    std::ofstream(root / "k_resurs" / "Sky" / "2.jpg") << "base";
    const fs::path early = root / "mods" / "early", late = root / "mods" / "late";
    fs::create_directories(early / "K_RESURS" / "sky");
    std::ofstream(early / "K_RESURS" / "sky" / "2.JPG") << "early";
    fs::create_directories(late / "k_resurs" / "Sky");
    std::ofstream(late / "k_resurs" / "Sky" / "2.jpg") << "late";
    std::ofstream(late / "k_resurs" / "Sky" / "only_late.jpg") << "late";
    const std::string baseSound = base + "k_resurs/Sound/Expl_1.WAV";
    {
        const ScopedDataMods mods(root.string(), {early.string()});  // a root without its '/'
        EXPECT_EQ(ResolvePath(DataPath(base, sky)), early.string() + "/K_RESURS/sky/2.JPG");
        EXPECT_EQ(ResolvePath(DataPath(base, "k_resurs\\sound\\EXPL_1.wav")), baseSound);
        // Named beside a model the mod holds, a texture it lacks comes from the data root.
        EXPECT_EQ(ResolvePath(early.string() + "/K_RESURS\\Sound\\expl_1.wav"), baseSound);
        EXPECT_EQ(ResolvePath(DataPath(base, "k_resurs\\sky\\none.jpg")), base + "k_resurs/sky/none.jpg");
        EXPECT_EQ(ResolvePath("/elsewhere\\2.jpg"), "/elsewhere/2.jpg");
    }
    {
        const ScopedDataMods mods(base, {early.string(), late.string() + "/"});
        EXPECT_EQ(ResolvePath(DataPath(base, sky)), late.string() + "/k_resurs/Sky/2.jpg");
        EXPECT_EQ(ResolvePath(early.string() + "/k_resurs/sky/ONLY_LATE.JPG"),
                  late.string() + "/k_resurs/Sky/only_late.jpg");
    }
    {
        const ScopedDataMods none(base, {});
        EXPECT_EQ(ResolvePath(DataPath(base, sky)), base + "k_resurs/Sky/2.jpg");
    }
    EXPECT_EQ(ResolvePath(DataPath(base, sky)), base + "k_resurs/Sky/2.jpg");
}

TEST(DataRoot, IsTheParentOfTheExecutablesFolder) {
    EXPECT_EQ(DataRootForExecutable("/opt/terravik/bin/terravik"), "/opt/terravik/");
    // An executable one folder below the root gets the root, with no doubled slash.
    EXPECT_EQ(DataRootForExecutable("/bin/terravik"), "/");
    // Nothing to go by (no /proc, an empty argv[0]): the current folder, and no exception.
    EXPECT_EQ(DataRootForExecutable(""), (fs::current_path() / "").string());
    EXPECT_EQ(DataPath("/opt/terravik/", "world\\1.wrd"), "/opt/terravik/world/1.wrd");
}

// An installed game keeps its data in <prefix>/share/terravik; a build's game folder keeps it
// beside bin/, and that wins when both hold a level (a game folder inside a prefix).
TEST_F(Paths, DataRootFindsTheInstalledDataFolderOrTheGameFolder) {
    const fs::path prefix = root / "usr";
    fs::create_directories(prefix / "bin");
    const std::string exe = (prefix / "bin" / "terravik").string();
    EXPECT_EQ(DataRootForExecutable(exe), prefix.string() + "/");  // no data anywhere

    fs::create_directories(prefix / "share" / "terravik" / "World");
    std::ofstream(prefix / "share" / "terravik" / "World" / "1.WRD") << "x";  // case as copied from elsewhere
    EXPECT_EQ(DataRootForExecutable(exe), prefix.string() + "/share/terravik/");

    fs::create_directories(prefix / "world");
    std::ofstream(prefix / "world" / "1.wrd") << "x";
    EXPECT_EQ(DataRootForExecutable(exe), prefix.string() + "/");
}

}  // namespace
}  // namespace tv
