#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "shell/main_form.h"
#include "shell/startup.h"

namespace tv {
namespace {

TEST(MainForm, ButtonsKeepTheirPlaceWhereTheyFitAndMoveJustInsideOtherwise) {
    const TForm1 design;
    TForm1 form;
    LayoutButtons(form, 1024, 768);
    for (int i = 0; i < kFormButtonCount; ++i) {
        EXPECT_EQ(form.buttons[i].left, design.buttons[i].left) << i;
        EXPECT_EQ(form.buttons[i].top, design.buttons[i].top) << i;
    }

    // 640 x 480: "Старт" and "Еще 50" (760..835) move left to end at the right edge; the
    // question already fits and stays where it was.
    LayoutButtons(form, 640, 480);
    EXPECT_EQ(form.buttons[kButton3].left, 640 - 75);
    EXPECT_EQ(form.buttons[kButton3].top, 24);
    EXPECT_EQ(form.buttons[kButton4].left, 640 - 75);
    EXPECT_EQ(form.buttons[kButton4].top, 56);
    for (FormButtonId id : {kButton5, kButton6, kButton7}) {
        EXPECT_EQ(form.buttons[id].left, design.buttons[id].left) << id;
        EXPECT_EQ(form.buttons[id].top, design.buttons[id].top) << id;
    }
    // The moved button is hit where it is drawn, and only once it is visible.
    EXPECT_EQ(ButtonAt(form, 600, 30), kButton3);
    EXPECT_EQ(ButtonAt(form, 780, 30), kFormButtonCount);

    // Growing the window again gives the design's places back, not the moved ones.
    LayoutButtons(form, 1280, 800);
    EXPECT_EQ(form.buttons[kButton3].left, 760);

    // Short and narrow: "Да" and "Нет" move up, the question left; a button wider than the
    // window sits at its corner instead of off the left edge.
    LayoutButtons(form, 300, 150);
    EXPECT_EQ(form.buttons[kButton5].left, 300 - 273);
    EXPECT_EQ(form.buttons[kButton6].top, 150 - 25);
    EXPECT_EQ(form.buttons[kButton7].left, 300 - 75);
    LayoutButtons(form, 50, 10);
    EXPECT_EQ(form.buttons[kButton5].left, 0);
    EXPECT_EQ(form.buttons[kButton5].top, 0);
    EXPECT_EQ(form.buttons[kButton5].width, 273);
}

// Only a folder that is not there stops the game before any window; one without its level
// file is played, and its start-up step reports the missing file.
TEST(DataRoot, OnlyAMissingFolderIsReportedBeforeAnythingOpens) {
    const auto root = std::filesystem::path(TERRAVIK_TEST_TMP) / "data_root_checks";
    std::filesystem::remove_all(root);
    std::filesystem::create_directories(root);

    const std::string missing = (root / "no-such-folder").string();
    for (bool named : {true, false}) {
        const std::string problem = DataRootProblem(missing, named).Message();
        EXPECT_NE(problem.find(missing), std::string::npos) << problem;
        EXPECT_NE(problem.find("does not exist"), std::string::npos) << problem;
    }
    std::ofstream(root / "a-file") << "x";
    EXPECT_FALSE(DataRootProblem((root / "a-file").string(), true).Message().empty());

    // A folder without the level, named or found beside the executable.
    EXPECT_EQ(DataRootProblem(root.string(), true).Message(), "");
    EXPECT_EQ(DataRootProblem(root.string() + "/", false).Message(), "");
}

}  // namespace
}  // namespace tv
