#include "render/gl/gl_matrices.h"

#include <epoxy/gl.h>

#include "math/frustum.h"

namespace tv {

void CalculateFrustum(Frustum& frustum) {
    float projection[16];
    float modelview[16];
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    glGetFloatv(GL_MODELVIEW_MATRIX, modelview);
    frustum.CalculateFrom(projection, modelview);
}

}  // namespace tv
