#pragma once
// Reading the fixed-function matrices back from the current GL context, for the code that
// works on them on the CPU.

namespace tv {

struct Frustum;

// Rebuilds `frustum` from the current GL_PROJECTION_MATRIX and GL_MODELVIEW_MATRIX.
void CalculateFrustum(Frustum& frustum);

}  // namespace tv
