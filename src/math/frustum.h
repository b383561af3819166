#pragma once
// The six view-frustum planes (right, left, bottom, top, far, near), rebuilt once per frame
// from a projection and a modelview matrix (render/gl_matrices.h reads them from GL). Each
// plane is (a, b, c, d) with (a, b, c) of unit length; a point is inside a plane when
// a*x + b*y + c*z + d > 0.
namespace tv {

struct Frustum {
    float planes[6][4] = {};

    // Builds the planes from the two matrices (column-major, as GL returns them).
    void CalculateFrom(const float projection[16], const float modelview[16]);
    // True if the point lies strictly inside all six planes (on a plane counts as outside).
    bool PointInFrustum(float x, float y, float z) const;
    // False only if the sphere lies wholly outside one plane (distance <= -radius).
    bool SphereInFrustum(float x, float y, float z, float radius) const;
};

}  // namespace tv
