#pragma once
// The box and sphere records that models carry for collisions (filled by the model loader)
// and that the turret uses to draw its laser beams.

#include <array>
#include <string>

#include "math/vec3.h"

namespace tv {

// A box record. The same fields are read two ways:
//  - a model's collision box: centre, size (full edge lengths along x, y, z), angles (degrees
//    about x, y, z);
//  - a box to draw (DrawOrientedBox): Position() = centre, Pivot() = size,
//    Dimensions() = angles (width x, length y, height z), DrawAngles() = extraTriple.
// The accessors name the drawing reading so callers need not remember the mapping.
struct TCUB {
    Vec3 centre;
    Vec3 size;
    Vec3 angles;
    Vec3 extraTriple;
    float extraValue = 0.0f;
    std::string name;
    std::array<float, 19> further{};  // kept as read, not interpreted

    Vec3& Position() { return centre; }
    const Vec3& Position() const { return centre; }
    Vec3& Pivot() { return size; }
    const Vec3& Pivot() const { return size; }
    Vec3& Dimensions() { return angles; }
    const Vec3& Dimensions() const { return angles; }
    Vec3& DrawAngles() { return extraTriple; }
    const Vec3& DrawAngles() const { return extraTriple; }
};

// A collision sphere record of a model.
struct TSfera_Phiziki {
    Vec3 centre;
    float radius = 0.0f;
    float extraValue = 0.0f;
    std::string name;
    std::array<float, 19> further{};  // kept as read, not interpreted
};

}  // namespace tv
