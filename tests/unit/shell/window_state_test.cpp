// The remembered window: what is written reads back the same, through a folder that did not
// exist yet; a bad, foreign or oversized file is refused with one line and nothing used.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "shell/window_state.h"

namespace tv {
namespace {

namespace fs = std::filesystem;

TEST(WindowState, RoundTripsThroughItsFileAndRefusesBadOnes) {
    const fs::path dir = fs::path(TERRAVIK_TEST_TMP) / "window_state";
    fs::remove_all(dir);
    const std::string path = WindowStatePathFor((dir / "state").c_str(), "/home/x");
    EXPECT_EQ(path, (dir / "state/terravik/window.ini").string());
    EXPECT_EQ(WindowStatePathFor("relative", "/home/x"), "/home/x/.local/state/terravik/window.ini");
    EXPECT_EQ(WindowStatePathFor(nullptr, nullptr), "");

    std::string warning;
    EXPECT_FALSE(LoadWindowState(path, warning));  // none yet: no news
    EXPECT_EQ(warning, "");
    const WindowState placed{1600, 900, true, -40, 2000, 2};
    ASSERT_TRUE(SaveWindowState(path, placed).ok());
    EXPECT_EQ(LoadWindowState(path, warning), placed);
    const WindowState unplaced{640, 480, false, 0, 0, 0};
    ASSERT_TRUE(SaveWindowState(path, unplaced).ok());
    EXPECT_EQ(LoadWindowState(path, warning), unplaced);
    EXPECT_EQ(warning, "");

    for (const char* bad : {"", "size = 100x100\n", "size = 800x600\nposition = 1;2\n", "size = 800x600\ndisplay = 64\n",
                            "size = 800x600\nzoom = 2\n", "size = 800x600x2\n", "display = 1\n", "\x89PNG\r\n"}) {
        std::ofstream(path, std::ios::binary | std::ios::trunc) << bad;
        warning.clear();
        EXPECT_FALSE(LoadWindowState(path, warning)) << bad;
        EXPECT_NE(warning.find(path), std::string::npos) << bad;
        EXPECT_EQ(warning.find('\n'), std::string::npos) << bad;
    }
    std::ofstream(path, std::ios::binary | std::ios::trunc) << std::string(100000, '#');
    EXPECT_FALSE(LoadWindowState(path, warning));
    fs::remove(path);
    fs::create_directory(path);  // a folder where the file should be
    warning.clear();
    EXPECT_FALSE(LoadWindowState(path, warning));
    EXPECT_NE(warning, "");
    EXPECT_FALSE(SaveWindowState(path, placed).ok());
}

}  // namespace
}  // namespace tv
