#pragma once
// The application icon for desktop menus: a turret on a green hill firing a tracer at an
// aircraft against an evening sky, on a rounded square with transparent corners.

#include <string>

#include "image.h"

namespace tv::datagen {

// The design is drawn in a square of kIconSize units; any size in between the limits scales it.
inline constexpr int kIconSize = 256;
inline constexpr int kMinIconSize = 16, kMaxIconSize = 1024;

// size x size pixels, row 0 at the top; throws std::runtime_error for a size out of range.
Image GenerateIcon(int size = kIconSize);
// Writes the icon as PNG with alpha; throws std::runtime_error for a bad size or when the
// file fails.
void WriteIcon(const std::string& path, int size = kIconSize);

}  // namespace tv::datagen
