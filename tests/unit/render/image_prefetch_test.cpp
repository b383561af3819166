// The start-up's image prefetch against decoding on the spot: the same pixels and the same
// error texts, each file decoded once however often and however spelled it is asked for, and
// LoadTexture's path goes through it only while it is installed.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "render/image_prefetch.h"
#include "render/png_file.h"

namespace tv {
namespace {

namespace fs = std::filesystem;

class ImagePrefetchTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { InitImageLibrary(); }
    void SetUp() override {
        dir_ = fs::path(TERRAVIK_TEST_TMP) / ("prefetch-" + std::to_string(::getpid()));
        fs::create_directories(dir_ / "Sub");
        for (int i = 0; i < 3; ++i) {
            std::vector<uint8_t> rgba(8 * 4 * 4);
            for (size_t k = 0; k < rgba.size(); ++k) rgba[k] = static_cast<uint8_t>(k * (i + 3));
            ASSERT_TRUE(WriteRgbaPng(Path(i), 8, 4, rgba.data(), RowOrder::TopDown));
        }
        std::ofstream(dir_ / "broken.png") << "\x89PNG\r\n\x1a\n not really";
    }
    void TearDown() override { fs::remove_all(dir_); }
    std::string Path(int i) const { return (dir_ / "Sub" / ("img" + std::to_string(i) + ".png")).string(); }
    static void ExpectSame(const PrefetchedImage& a, const PrefetchedImage& b) {
        EXPECT_EQ(a.status.Message(), b.status.Message());
        EXPECT_EQ(a.image.width, b.image.width);
        EXPECT_EQ(a.image.height, b.image.height);
        EXPECT_EQ(a.image.channels, b.image.channels);
        EXPECT_TRUE(a.image.pixels == b.image.pixels);
    }
    fs::path dir_;
};

TEST_F(ImagePrefetchTest, GivesWhatDecodingOnTheSpotGivesAndDecodesEachFileOnce) {
    const std::string missing = (dir_ / "none.png").string();
    const std::string broken = (dir_ / "broken.png").string();
    // img0 listed twice, once spelled with another case and backslashes as the data names it.
    const std::string img0Other = (dir_ / "sub").string() + "\\IMG0.png";
    ImagePrefetch prefetch({Path(0), img0Other, Path(1), missing, broken});
    for (int round = 0; round < 2; ++round) {
        ExpectSame(prefetch.Get(Path(0)), ImagePrefetch::ReadAndDecode(Path(0)));
        ExpectSame(prefetch.Get(img0Other), ImagePrefetch::ReadAndDecode(Path(0)));
        ExpectSame(prefetch.Get(Path(1)), ImagePrefetch::ReadAndDecode(Path(1)));
        ExpectSame(prefetch.Get(Path(2)), ImagePrefetch::ReadAndDecode(Path(2)));  // not listed
        ExpectSame(prefetch.Get(missing), ImagePrefetch::ReadAndDecode(missing));
        ExpectSame(prefetch.Get(broken), ImagePrefetch::ReadAndDecode(broken));
    }
    EXPECT_FALSE(prefetch.Get(missing).status.ok());
    EXPECT_FALSE(prefetch.Get(broken).status.ok());
    EXPECT_EQ(prefetch.Get(Path(1)).image.width, 8);
    EXPECT_EQ(prefetch.Decodes(), 5);  // img0, img1, img2, the missing and the broken file
}

TEST_F(ImagePrefetchTest, AnsweredOnlyWhileInstalledAndStopsCleanlyWithWorkLeft) {
    {
        ImagePrefetch prefetch({Path(0)});
        {
            ScopedImagePrefetch installed(prefetch);
            ExpectSame(ReadAndDecodeImage(Path(2)), ImagePrefetch::ReadAndDecode(Path(2)));
            ReadAndDecodeImage(Path(2));
        }
        ReadAndDecodeImage(Path(1));  // no longer asks the prefetch
        prefetch.Get(Path(0));          // its own list, decoded once by whoever came first
        EXPECT_EQ(prefetch.Decodes(), 2);
    }
    // Dropped at once with a long list still to go: the thread stops after the file in hand.
    std::vector<std::string> many(200, Path(0));
    for (int i = 0; i < 200; ++i) many.push_back((dir_ / ("absent" + std::to_string(i) + ".png")).string());
    ImagePrefetch dropped(many);
}

}  // namespace
}  // namespace tv
