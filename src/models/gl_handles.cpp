#include "models/gl_handles.h"

#include <epoxy/gl.h>

namespace tv::detail {

void DeleteGlBuffer(uint32_t name) {
    GLuint n = name;
    glDeleteBuffers(1, &n);
}

void DeleteGlTexture(uint32_t name) {
    GLuint n = name;
    glDeleteTextures(1, &n);
}

}  // namespace tv::detail
