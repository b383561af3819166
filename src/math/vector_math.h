#pragma once
// Free functions on Vec3. Every operation computes in double precision and stores the result
// back as float. Where a vector is produced it goes through an output argument, and that
// output may be the same object as an input.

#include "math/vec3.h"

namespace tv {

void MakeVec(Vec3& v, float x, float y, float z);                   // v = (x, y, z)
void VecSub(const Vec3& a, const Vec3& b, Vec3& r);                 // r = a - b
void VecAdd(const Vec3& a, const Vec3& b, Vec3& r);                 // r = a + b
void VecScale(const Vec3& a, Vec3& r, float s);                     // r = a * s
void VecMul(const Vec3& a, const Vec3& b, Vec3& r);                 // r = per-axis product
void VecAddScaled(const Vec3& a, const Vec3& b, Vec3& r, float s);  // r = a + b * s
float VecDot(const Vec3& a, const Vec3& b);
void VecCross(const Vec3& a, const Vec3& b, Vec3& r);  // right-handed cross product
float VecLength(const Vec3& a);
float VecLengthSq(const Vec3& a);
float VecDistance(const Vec3& a, const Vec3& b);  // length of a - b
// r = a / |a|. A zero vector gives NaN components (no check, callers know their vectors).
void VecNormalize(const Vec3& a, Vec3& r);
// Scales v to length L when it is not zero; returns the length it had before.
float VecSetLength(Vec3& v, float L);
// True when every axis differs by strictly less than eps.
bool VecAlmostEqual(const Vec3& a, const Vec3& b, float eps);

// Separating-axis test of the segment s..e against the axis-aligned cube centre c, half edge h.
// Touching counts as a hit; a zero-length segment is a point-in-cube test.
bool SegmentHitsCube(const Vec3& c, const Vec3& s, const Vec3& e, float h);

// Ray o + d*t against the triangle A, B, C (either winding).
// Returns t when the ray meets the plane at t >= 0 inside the triangle (edges included), and
// writes the crossing point to hit. Returns -1 when the ray is parallel to the plane or the
// crossing lies outside the triangle (hit then holds the plane point, or o if parallel), and
// the negative t itself when the plane lies behind the origin (hit stays o).
// With d = end - start, t in [0, 1] means the segment crosses; callers check that range.
float RayTriangle(const Vec3& A, const Vec3& B, const Vec3& C, const Vec3& o, const Vec3& d, Vec3& hit);

// arccos x in radians, as atan2(sqrt(1 - x^2), x). Arguments a rounding step outside [-1, 1]
// give 0 or pi rather than NaN.
float ArcCosF(float x);

}  // namespace tv
