// The GL half of the name owners: how each kind of name is deleted.
#include <epoxy/gl.h>

#include <atomic>

#include "render/gl_handles.h"
#include "render/gl/shader_program.h"

namespace tv::detail {

extern std::atomic<void (*)(GlNameKind, uint32_t)> g_glDeleter;

namespace {

void DeleteWithGl(GlNameKind kind, uint32_t name) {
    GLuint n = name;
    switch (kind) {
        case GlNameKind::Buffer: glDeleteBuffers(1, &n); break;
        case GlNameKind::Texture: glDeleteTextures(1, &n); break;
        case GlNameKind::Program: DeleteShaderProgram(name); break;
    }
}

}  // namespace

void InstallGlDeleters() { g_glDeleter.store(&DeleteWithGl); }

}  // namespace tv::detail
