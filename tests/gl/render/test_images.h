#pragma once
// Writes small PNG fixtures in any of libpng's colour types, for the texture-loading tests.

#include <png.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace tv::test {

// `pixels` holds rows top first, `channels` bytes per pixel matching `colorType`
// (PNG_COLOR_TYPE_GRAY 1, GRAY_ALPHA 2, RGB 3, RGB_ALPHA 4, PALETTE 1 index).
// `palette` is used only for PNG_COLOR_TYPE_PALETTE.
inline bool WriteTestPng(const std::string& path, int width, int height, int colorType,
                         const std::vector<uint8_t>& pixels, const std::vector<png_color>& palette = {}) {
    const int channels = colorType == PNG_COLOR_TYPE_GRAY         ? 1
                         : colorType == PNG_COLOR_TYPE_GRAY_ALPHA ? 2
                         : colorType == PNG_COLOR_TYPE_RGB        ? 3
                         : colorType == PNG_COLOR_TYPE_RGB_ALPHA  ? 4
                                                                  : 1;
    if (pixels.size() != static_cast<size_t>(width) * height * channels) return false;
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(file);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, width, height, 8, colorType, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (colorType == PNG_COLOR_TYPE_PALETTE) {
        png_set_PLTE(png, info, palette.data(), static_cast<int>(palette.size()));
    }
    png_write_info(png, info);
    for (int y = 0; y < height; ++y) {
        png_write_row(png, pixels.data() + static_cast<size_t>(y) * width * channels);
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return std::fclose(file) == 0;
}

}  // namespace tv::test
