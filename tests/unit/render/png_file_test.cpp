#include "render/png_file.h"

#include <gtest/gtest.h>
#include <png.h>

#include <filesystem>
#include <vector>

namespace tv {
namespace {

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgba;  // top row first
};

// Reads a PNG back through libpng's own reader, as RGBA.
Picture ReadBack(const std::string& path) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    Picture p;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return p;
    EXPECT_EQ(image.format & PNG_FORMAT_FLAG_ALPHA, PNG_FORMAT_FLAG_ALPHA) << "stored with alpha";
    image.format = PNG_FORMAT_RGBA;
    p.width = static_cast<int>(image.width);
    p.height = static_cast<int>(image.height);
    p.rgba.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, p.rgba.data(), 0, nullptr)) p = {};
    return p;
}

std::string ScratchFile(const std::string& name) {
    const std::filesystem::path dir = std::filesystem::path(TERRAVIK_TEST_TMP) / "unit_render_png";
    std::filesystem::create_directories(dir);
    return (dir / name).string();
}

// Three columns, two rows; every byte differs, alpha included.
const std::vector<uint8_t> kRows = {
    1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12,  // first row
    13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24,  // second row
};

TEST(PngFile, RowOrderDecidesTheTopAndOpaqueOnlyTouchesAlpha) {
    const std::string topDown = ScratchFile("top_down.png");
    ASSERT_TRUE(WriteRgbaPng(topDown, 3, 2, kRows.data(), RowOrder::TopDown));
    Picture p = ReadBack(topDown);
    ASSERT_EQ(p.width, 3);
    ASSERT_EQ(p.height, 2);
    EXPECT_EQ(p.rgba, kRows);

    const std::string bottomUp = ScratchFile("bottom_up.png");
    ASSERT_TRUE(WriteRgbaPng(bottomUp, 3, 2, kRows.data(), RowOrder::BottomUp));
    p = ReadBack(bottomUp);
    std::vector<uint8_t> flipped(kRows.begin() + 12, kRows.end());
    flipped.insert(flipped.end(), kRows.begin(), kRows.begin() + 12);
    EXPECT_EQ(p.rgba, flipped);

    const std::string opaque = ScratchFile("opaque.png");
    ASSERT_TRUE(WriteRgbaPng(opaque, 3, 2, kRows.data(), RowOrder::BottomUp, true));
    p = ReadBack(opaque);
    for (size_t i = 3; i < flipped.size(); i += 4) flipped[i] = 255;
    EXPECT_EQ(p.rgba, flipped);
}

TEST(PngFile, UnwritablePathFails) {
    EXPECT_FALSE(WriteRgbaPng(ScratchFile("missing/dir/x.png"), 3, 2, kRows.data(), RowOrder::TopDown));
}

}  // namespace
}  // namespace tv
