#pragma once
// Reading the fixed-function matrices back from the current GL context, for the code that
// works on them on the CPU; and the one quad that covers the viewport.

namespace tv {

struct Frustum;

// Rebuilds `frustum` from the current GL_PROJECTION_MATRIX and GL_MODELVIEW_MATRIX.
void CalculateFrustum(Frustum& frustum);

// Pushes the projection and modelview matrices and loads identity into both, leaving the
// modelview current; PopMatrices puts both back, again leaving the modelview current.
void PushIdentityMatrices();
void PopMatrices();

// One quad over the whole viewport, texture coordinates 0..1 from its lower left corner,
// drawn with identity projection and modelview matrices (both put back after). Every other
// state is the caller's.
void DrawViewportQuad();

}  // namespace tv
