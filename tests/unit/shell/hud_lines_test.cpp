#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "platform/text_encoding.h"
#include "shell/hud.h"

namespace tv {
namespace {

TEST(HudLines, LabelsAndNumbersInTheCodePage) {
    HudValues v;
    v.Kills = 12;
    v.PlaneCount = 50;
    v.Life = 999.9f;
    v.Shells = 15000;
    const auto lines = HudLines(87, v);
    EXPECT_EQ(lines[0], "FPS =87");
    EXPECT_EQ(lines[1], "Kill =12");
    EXPECT_EQ(lines[2], Utf8ToCp1251("Количество врагов =50"));
    EXPECT_EQ(lines[3], Utf8ToCp1251("Жизнь =999"));
    // Latin C, then Cyrillic: the first byte is ASCII, the second the code of 'н'.
    EXPECT_EQ(lines[4], "C\xED\xE0\xF0\xFF\xE4\xEE\xE2 =15000");
}

TEST(HudLines, LifeTruncatesTowardsZeroAndKeepsItsSign) {
    HudValues v;
    v.Life = -12.7f;
    EXPECT_EQ(HudLines(0, v)[3], Utf8ToCp1251("Жизнь =-12"));
    v.Life = -0.5f;
    EXPECT_EQ(HudLines(0, v)[3], Utf8ToCp1251("Жизнь =0"));
    // Values no int32 holds are pinned instead of being undefined.
    EXPECT_EQ(TruncatedLife(std::numeric_limits<float>::quiet_NaN()), 0);
    EXPECT_EQ(TruncatedLife(-1e20f), std::numeric_limits<int32_t>::min());
    EXPECT_EQ(TruncatedLife(std::numeric_limits<float>::infinity()), std::numeric_limits<int32_t>::max());
    EXPECT_EQ(TruncatedLife(-2147483648.0f), std::numeric_limits<int32_t>::min());
}

// The block hangs from the top edge: the design's rows at 768, the same distance from the top
// in a taller or a lower window.
TEST(HudLines, TheFiveLinesHangFromTheWindowsTopEdge) {
    EXPECT_EQ(HudBaselines(768), (std::array<float, 5>{738, 708, 678, 648, 618}));
    EXPECT_EQ(HudBaselines(1080), (std::array<float, 5>{1050, 1020, 990, 960, 930}));
    EXPECT_EQ(HudBaselines(600), (std::array<float, 5>{570, 540, 510, 480, 450}));
    EXPECT_EQ(HudBaselines(768, 2.0f), (std::array<float, 5>{708, 648, 588, 528, 468}));  // ui_scale 2
}

}  // namespace
}  // namespace tv
