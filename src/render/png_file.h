#pragma once
// RGBA pictures written as PNG files: the game's --screenshot, the inspector's model previews
// and the tests' pictures of what they drew.

#include <cstdint>
#include <string>

namespace tv {

// Which row of the buffer is the top of the picture.
enum class RowOrder {
    TopDown,   // the first row is the top
    BottomUp,  // the first row is the bottom, as glReadPixels returns them
};

// Writes `width` x `height` pixels of 4 bytes each (R, G, B, A; rows tightly packed) as an 8-bit
// RGBA PNG, top row first whatever `order` the buffer has. With `opaque` every alpha byte is
// written as 255 (for back buffers whose alpha means nothing). False if the file cannot be
// written; nothing is then left behind, and a file already at `path` stays as it was.
bool WriteRgbaPng(const std::string& path, int width, int height, const uint8_t* rgba, RowOrder order,
                  bool opaque = false);

// The same picture as the bytes of a PNG file, in `encoded`. False if libpng refuses it.
bool EncodeRgbaPng(int width, int height, const uint8_t* rgba, RowOrder order, bool opaque, std::string& encoded);

}  // namespace tv
