#pragma once
// The game's three-component vector: three packed 32-bit floats, z up.
// The operations on it live in math/vector_math.h.

namespace tv {

struct Vec3 {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
};
static_assert(sizeof(Vec3) == 12, "Vec3 arrays are handed to GL as packed float triples");

}  // namespace tv
