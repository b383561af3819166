#pragma once
// Draws a TCUB as the box math/oriented_box.h describes. Needs a current GL context; emits six
// GL_QUADS with the current colour and blending, no normals and no texture coordinates.

#include "math/collision_records.h"

namespace tv {

void DrawOrientedBox(const TCUB& box);

}  // namespace tv
