#include "render/image_decode.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <zlib.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "common/binary_io.h"
#include "render/png_file.h"

namespace tv {
namespace {

class ImageDecode : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { InitImageLibrary(); }
};

// An uncompressed true-colour TGA: 18-byte header, then BGR(A) pixels bottom row first.
std::vector<uint8_t> Tga(uint16_t width, uint16_t height, uint8_t bits, const std::vector<uint8_t>& pixels) {
    std::vector<uint8_t> t = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    for (uint16_t v : {width, height}) t.insert(t.end(), {uint8_t(v & 0xFF), uint8_t(v >> 8)});
    t.insert(t.end(), {bits, 0});
    t.insert(t.end(), pixels.begin(), pixels.end());
    return t;
}

std::vector<uint8_t> PngBytes(int width, int height, const std::vector<uint8_t>& rgba) {
    const std::filesystem::path dir = std::filesystem::path(TERRAVIK_TEST_TMP) / "unit_render_decode";
    std::filesystem::create_directories(dir);
    const std::string path = (dir / "image.png").string();
    EXPECT_TRUE(WriteRgbaPng(path, width, height, rgba.data(), RowOrder::TopDown));
    return ReadWholeFile(path);
}

DecodedImage Decode(const std::string& name, const std::vector<uint8_t>& bytes) {
    return DecodeImage(name, bytes.data(), bytes.size());
}

long PeakRssKb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// Good files: layouts are brought to 8-bit channels in the decoder's row order, and the
// format follows the extension, or the leading bytes when there is none.
TEST_F(ImageDecode, GoodFilesComeOutAsEightBitPixels) {
    const std::vector<uint8_t> rgba = {10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 110, 120};
    for (const char* name : {"pic.png", "PIC.PNG", "no_extension"}) {
        const DecodedImage png = Decode(name, PngBytes(3, 1, rgba));
        EXPECT_EQ(png.width, 3) << name;
        EXPECT_EQ(png.height, 1);
        EXPECT_EQ(png.channels, 4);
        EXPECT_EQ(png.pixels, rgba);
    }

    // BGR on disk, RGB out; 2 x 2 rows are 6 bytes, not a multiple of four.
    const DecodedImage tga = Decode("pic.tga", Tga(2, 2, 24, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}));
    EXPECT_EQ(tga.channels, 3);
    ASSERT_EQ(tga.pixels.size(), 12u);
    EXPECT_EQ(tga.pixels[0], 3);
    EXPECT_EQ(tga.pixels[2], 1);
    EXPECT_EQ(tga.pixels[11], 10);
}

// Hostile and broken files: one DataError naming the file and the field, before the decoder
// allocates anything the caps forbid, and with nothing left behind for the next decode.
TEST_F(ImageDecode, BadFilesEndInOneDataErrorWithBoundedMemory) {
    const std::vector<uint8_t> good = PngBytes(2, 2, std::vector<uint8_t>(16, 200));
    auto withBytes = [](std::vector<uint8_t> b, size_t at, std::vector<uint8_t> v) {
        std::copy(v.begin(), v.end(), b.begin() + static_cast<std::ptrdiff_t>(at));
        return b;
    };
    // The reproducer: 5 KB of a TGA whose header says 65535 x 65535.
    std::vector<uint8_t> bigTga = Tga(65535, 65535, 24, std::vector<uint8_t>(5 * 1024 - 18, 0x55));
    // Within the side cap, over the byte cap: 16384 x 16384 with 16-bit RGBA samples.
    std::vector<uint8_t> wideSamples = withBytes(good, 16, {0, 0, 0x40, 0, 0, 0, 0x40, 0, 16, 6});
    std::vector<uint8_t> bmp(64, 0);
    bmp = withBytes(bmp, 0, {'B', 'M'});
    bmp = withBytes(bmp, 14, {40, 0, 0, 0, 0, 0, 0, 0x80, 1, 0, 0, 0});  // width -2^31
    const std::vector<uint8_t> jpeg = {0xFF, 0xD8, 0xFF, 0xE0, 0,    4,    0, 0, 0xFF, 0xC0, 0,
                                       11,   8,    0xFF, 0xFF, 0xFF, 0xFF, 3, 1, 0x11, 0};
    // A segment after the frame header that claims 57 KB of a 40-byte file: the decoder,
    // handed this, spun for minutes.
    std::vector<uint8_t> longSegment = {0xFF, 0xD8, 0xFF, 0xC0, 0, 17, 8,    0,    32, 0x10, 0, 3, 1,
                                        0x22, 0,    2,    0x11, 1, 3,  0x11, 1,    0xFF, 0xE0, 0xDE, 0xFF};
    longSegment.resize(longSegment.size() + 14, 0);
    // The image data chunk claiming 50 MB of a small file (the decoder leaked 4 KB on each and
    // took most of a second), and one bit of the image data flipped (it leaked 1 KB on each).
    const auto idat = static_cast<size_t>(std::search(good.begin(), good.end(), std::begin("IDAT"),
                                                      std::begin("IDAT") + 4) - good.begin());
    const std::vector<uint8_t> longIdat = withBytes(good, idat - 4, {0x03, 0x00, 0x20, 0x00});
    std::vector<uint8_t> flippedIdat = good;
    flippedIdat[idat + 4] ^= 0x01;
    // Sizes within the caps that the file is far too small to hold: 4096 x 4096 RGBA from a
    // 2 x 2 picture's few bytes of image data (the IHDR's checksum made to match), and a
    // Huffman-coded JPEG of 2048 x 2048 with one byte of scan data.
    std::vector<uint8_t> bigPng = withBytes(good, 16, {0, 0, 0x10, 0, 0, 0, 0x10, 0});
    const uint32_t ihdrCrc = static_cast<uint32_t>(crc32(0, bigPng.data() + 12, 17));
    bigPng = withBytes(bigPng, 29, {uint8_t(ihdrCrc >> 24), uint8_t(ihdrCrc >> 16), uint8_t(ihdrCrc >> 8),
                                    uint8_t(ihdrCrc)});
    const std::vector<uint8_t> thinJpeg = {0xFF, 0xD8, 0xFF, 0xC0, 0, 11, 8,    8, 0, 8, 0, 1, 1, 0x11, 0,
                                           0xFF, 0xDA, 0, 8,    1, 1, 0,    0, 63, 0, 0x55, 0xFF, 0xD9};
    // Colour-mapped TGAs: the 18-byte reproducer (image type 1 with no colour map made the
    // decoder take 4 GB and 16 s), and a colour map longer than the file.
    const std::vector<uint8_t> mapless = {0, 0, 1, 0x76, 0, 0xFF, 0xFE, 16, 0, 0x76, 0, 1, 0, 12, 0xD9, 0, 16, 0};
    const std::vector<uint8_t> longMap = withBytes(Tga(4, 4, 8, std::vector<uint8_t>(40, 1)), 1,
                                                   {1, 1, 0, 0, 0, 1, 24});
    const std::vector<uint8_t> halfPng(good.begin(),
                                       good.begin() + static_cast<std::ptrdiff_t>(good.size() / 2));

    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        const char* field;
    };
    const std::vector<Case> cases = {
        {"big.tga", bigTga, "image size"},
        {"wide.png", wideSamples, "image size"},
        {"wide.png", withBytes(good, 16, {0, 0, 0x4E, 0x20}), "image size"},
        {"empty.png", withBytes(good, 16, {0, 0, 0, 0}), "image size"},
        {"neg.bmp", bmp, "image size"},
        {"big.jpg", jpeg, "image size"},
        {"long.jpg", longSegment, "JPEG segment length"},
        {"cut.png", std::vector<uint8_t>(good.begin(), good.begin() + 12), "PNG width"},
        {"cut.tga", std::vector<uint8_t>(10, 0), "TGA header"},
        {"text.gif", {'G', 'I', 'F', '8'}, "format"},
        {"half.png", halfPng, "PNG chunk length"},
        {"long.png", longIdat, "PNG chunk length"},
        {"flipped.png", flippedIdat, "PNG chunk CRC"},
        {"big.png", bigPng, "PNG image data"},
        {"thin.jpg", thinJpeg, "JPEG scan data"},
        {"mapless.tga", mapless, "TGA colour map type"},
        {"long_map.tga", longMap, "TGA colour map length"},
    };
    const long before = PeakRssKb();
    for (const Case& c : cases) {
        try {
            Decode(c.name, c.bytes);
            ADD_FAILURE() << c.name << " decoded";
        } catch (const DataError& e) {
            EXPECT_EQ(e.file(), c.name);
            EXPECT_EQ(e.field(), c.field) << c.name << ": " << e.what();
        }
    }
    EXPECT_THROW(DecodeImage("none.png", nullptr, 0), DataError);
    // Not one of those images was ever held: the peak grew by far less than any of them.
    EXPECT_LT(PeakRssKb() - before, 64 * 1024) << "KB";

    // The caps themselves: the largest allowed passes, one more is refused.
    EXPECT_NO_THROW(CheckImageSize("f", 0, "s", kMaxImageSide, kMaxImageBytes / kMaxImageSide, 1));
    EXPECT_THROW(CheckImageSize("f", 0, "s", kMaxImageSide + 1, 1, 1), DataError);
    EXPECT_THROW(CheckImageSize("f", 0, "s", kMaxImageSide, kMaxImageSide, 2), DataError);

    // A failure leaves nothing behind that the next decode could return.
    EXPECT_EQ(Decode("good.png", good).pixels, std::vector<uint8_t>(16, 200));
}

}  // namespace
}  // namespace tv
