#pragma once
// The application icon for desktop menus: a turret on a green hill firing a tracer at an
// aircraft against an evening sky, on a rounded square with transparent corners.

#include <string>

#include "image.h"

namespace tv::datagen {

inline constexpr int kIconSize = 256;

Image GenerateIcon();  // kIconSize x kIconSize, row 0 at the top
// Writes the icon as PNG with alpha; throws std::runtime_error when the file fails.
void WriteIcon(const std::string& path);

}  // namespace tv::datagen
