#include "render/gl_handles.h"

#include <dlfcn.h>
#include <epoxy/gl.h>

namespace tv {

namespace {

// Asks an already loaded GL binding library for its current context. A library that is not
// loaded cannot have made a context current, so it is never loaded here.
bool CurrentIn(const char* library, const char* function) {
    void* handle = dlopen(library, RTLD_LAZY | RTLD_NOLOAD);
    if (!handle) return false;
    using GetCurrent = void* (*)();
    const auto get = reinterpret_cast<GetCurrent>(dlsym(handle, function));
    const bool current = get && get() != nullptr;
    dlclose(handle);
    return current;
}

}  // namespace

bool GlContextIsCurrent() {
    return CurrentIn("libGLX.so.0", "glXGetCurrentContext") || CurrentIn("libGL.so.1", "glXGetCurrentContext") ||
           CurrentIn("libEGL.so.1", "eglGetCurrentContext");
}

namespace detail {

void DeleteGlBuffer(uint32_t name) {
    if (!GlContextIsCurrent()) return;
    GLuint n = name;
    glDeleteBuffers(1, &n);
}

void DeleteGlTexture(uint32_t name) {
    if (!GlContextIsCurrent()) return;
    GLuint n = name;
    glDeleteTextures(1, &n);
}

}  // namespace detail
}  // namespace tv
