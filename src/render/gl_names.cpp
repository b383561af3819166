// The GL-free half of the name owners: finding the current context and deleting through the
// deleters the GL layer installed (gl_handles.cpp).
#include <dlfcn.h>

#include <atomic>

#include "render/gl_handles.h"

namespace tv {

namespace detail {
// Set once by InstallGlDeleters; read by DeleteGlName.
std::atomic<void (*)(GlNameKind, uint32_t)> g_glDeleter{nullptr};
}  // namespace detail

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

void DeleteGlName(GlNameKind kind, uint32_t name) {
    const auto deleter = g_glDeleter.load();
    if (!deleter || !GlContextIsCurrent()) return;
    deleter(kind, name);
}

}  // namespace detail
}  // namespace tv
