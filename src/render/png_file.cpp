#include "render/png_file.h"

#include <png.h>

#include <cstdio>
#include <vector>

namespace tv {

bool WriteRgbaPng(const std::string& path, int width, int height, const uint8_t* rgba, RowOrder order,
                  bool opaque) {
    const size_t stride = static_cast<size_t>(width) * 4;
    // Made before setjmp: a long jump back must not skip a destructor.
    std::vector<uint8_t> line(opaque ? stride : 0);
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!png || !info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(f);
        return false;
    }
    png_init_io(png, f);
    png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < height; ++y) {
        const int row = order == RowOrder::BottomUp ? height - 1 - y : y;
        const uint8_t* src = rgba + static_cast<size_t>(row) * stride;
        if (opaque) {
            for (size_t i = 0; i < stride; ++i) line[i] = (i % 4 == 3) ? 255 : src[i];
            src = line.data();
        }
        png_write_row(png, src);
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return std::fclose(f) == 0;
}

}  // namespace tv
