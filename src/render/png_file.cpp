#include "render/png_file.h"

#include <png.h>

#include <string>
#include <vector>

#include "common/atomic_file.h"

namespace tv {

namespace {
void AppendBytes(png_structp png, png_bytep data, png_size_t length) {
    static_cast<std::string*>(png_get_io_ptr(png))->append(reinterpret_cast<const char*>(data), length);
}
}  // namespace

bool EncodeRgbaPng(int width, int height, const uint8_t* rgba, RowOrder order, bool opaque, std::string& encoded) {
    const size_t stride = static_cast<size_t>(width) * 4;
    // Made before setjmp: a long jump back must not skip a destructor.
    std::vector<uint8_t> line(opaque ? stride : 0);
    encoded.clear();
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!png || !info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, &encoded, AppendBytes, nullptr);
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
    return true;
}

bool WriteRgbaPng(const std::string& path, int width, int height, const uint8_t* rgba, RowOrder order,
                  bool opaque) {
    // Encoded in memory, then written whole: a failed write leaves no partial picture.
    std::string encoded;
    return EncodeRgbaPng(width, height, rgba, order, opaque, encoded) && WriteFileAtomically(path, encoded).ok();
}

}  // namespace tv
