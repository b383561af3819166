#pragma once
// Draws a TCUB in its drawing reading (see collision_records.h): a box of width W (x),
// length L (y) and height H (z) that starts at Position() and runs along +y by L, centred on
// the position in x and z, then turned about Pivot() by DrawAngles() (degrees): first about
// x (the (z, y) pair), then about y (the (z, x) pair), then about z (the (x, y) pair).
// Needs a current GL context; emits six GL_QUADS with the current colour and blending,
// no normals and no texture coordinates.

#include "math/collision_records.h"

namespace tv {

// The eight corners in drawing order, as DrawOrientedBox computes them.
std::array<Vec3, 8> OrientedBoxCorners(const TCUB& box);
void DrawOrientedBox(const TCUB& box);

}  // namespace tv
