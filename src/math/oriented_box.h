#pragma once
// A TCUB in its drawing reading (see collision_records.h): a box of width W (x), length L (y)
// and height H (z) that starts at Position() and runs along +y by L, centred on the position
// in x and z, then turned about Pivot() by DrawAngles() (degrees): first about x (the (z, y)
// pair), then about y (the (z, x) pair), then about z (the (x, y) pair).
// render/oriented_box_draw.h draws it.

#include "math/collision_records.h"

namespace tv {

// The eight corners in drawing order: the four of the y = 0 end, then the four of the y = L end.
std::array<Vec3, 8> OrientedBoxCorners(const TCUB& box);

}  // namespace tv
