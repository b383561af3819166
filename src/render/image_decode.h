#pragma once
// Image files to pixels, without GL: PNG, JPEG, TGA and BMP through DevIL. Used by
// LoadTexture, by tests and by the fuzz target.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tv {

// Absolute caps no real texture reaches (the game's largest image is 2048 x 2048 RGB, 12 MB;
// 64 MB is 4096 x 4096 RGBA); checked in 64 bits before anything is converted. The decoder,
// a conversion and the copy handed back can each hold an image of this size at once.
inline constexpr uint64_t kMaxImageSide = 16384;                 // pixels, width and height
inline constexpr uint64_t kMaxImageBytes = 64ull * 1024 * 1024;  // decoded bytes

// 8-bit pixels, tightly packed rows in the order the file's decoder delivers them (no origin
// flip). channels: 1 grey, 2 grey + alpha, 3 RGB, 4 RGBA.
struct DecodedImage {
    int width = 0, height = 0, channels = 0;
    std::vector<uint8_t> pixels;
};

// ilInit then iluInit and a version check. Called once at start-up by the image library's
// owner (and by tests and tools before their first decode). Throws std::runtime_error.
void InitImageLibrary();
// Frees whatever the image library still holds; InitImageLibrary may run again afterwards.
void ShutdownImageLibrary();

// The image library for as long as it lives.
class ImageLibrary {
  public:
    ImageLibrary() { InitImageLibrary(); }
    ~ImageLibrary() { ShutdownImageLibrary(); }
    ImageLibrary(const ImageLibrary&) = delete;
    ImageLibrary& operator=(const ImageLibrary&) = delete;
};

// Throws DataError(name, offset, field) when an image of width x height x bytesPerPixel
// breaks the caps above (or is empty). All products in 64 bits.
void CheckImageSize(const std::string& name, size_t offset, const char* field, uint64_t width,
                    uint64_t height, uint64_t bytesPerPixel);

// Decodes a whole file held in memory. The format comes from the name's extension (.png,
// .jpg/.jpeg/.jpe, .tga, .bmp), or from the leading bytes when the name has none of those.
// The header's size is checked against the caps before the decoder allocates anything; the
// decoder's own result is checked again before any conversion. Paletted, BGR(A) and 16-bit
// images come out as 8-bit RGB(A). Needs InitImageLibrary. Throws DataError naming the file,
// the offset and the field for every failure; never leaves a decoded image behind in the library.
DecodedImage DecodeImage(const std::string& name, const uint8_t* data, size_t size);

}  // namespace tv
