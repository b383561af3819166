#include "sdl/gl_context_sdl.h"

#include <SDL2/SDL.h>

namespace tv::sdl {

void SetGlAttributes() {
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
}

GlWindow::GlWindow(const char* title, int x, int y, int width, int height, uint32_t flags) {
    SetGlAttributes();
    window_ = SDL_CreateWindow(title, x, y, width, height, SDL_WINDOW_OPENGL | flags);
    if (!window_) {
        error_ = SDL_GetError();
        return;
    }
    context_ = SDL_GL_CreateContext(window_);
    if (!context_) {
        error_ = SDL_GetError();
        return;
    }
    SDL_GL_MakeCurrent(window_, context_);
}

GlWindow::GlWindow(const char* title, int width, int height)
    : GlWindow(title, 0, 0, width, height, SDL_WINDOW_HIDDEN) {}

GlWindow::~GlWindow() {
    if (context_) SDL_GL_DeleteContext(context_);
    if (window_) SDL_DestroyWindow(window_);
}

bool GlWindow::MakeCurrent() const {
    return context_ && SDL_GL_MakeCurrent(window_, context_) == 0;
}

void GlWindow::Swap() const {
    if (window_) SDL_GL_SwapWindow(window_);
}

}  // namespace tv::sdl
