// How each kind of name is deleted: directly, in the current context.
#include "render/gl/gl_handles.h"

#include <epoxy/gl.h>

#include "render/gl/shader_program.h"

namespace tv::detail {

void DeleteGlName(GlNameKind kind, uint32_t name) {
    GLuint n = name;
    switch (kind) {
        case GlNameKind::Buffer: glDeleteBuffers(1, &n); break;
        case GlNameKind::Texture: glDeleteTextures(1, &n); break;
        case GlNameKind::Program: DeleteShaderProgram(name); break;
    }
}

}  // namespace tv::detail
