#pragma once
// A window with an OpenGL context in the game's pixel format: compatibility profile, double
// buffer, 8-bit RGBA, 24-bit depth. The main window, the GL tests and the inspector's model
// previews all make their contexts here, so they draw alike.

#include <cstdint>
#include <string>

#include "common/error.h"

struct SDL_Window;

namespace tv::sdl {

// Requests the game's pixel format for the next context SDL creates. SDL video must be up.
void SetGlAttributes();

// Owns a window and its context; the context goes first. SDL video must be up for as long as
// it lives.
class GlWindow {
  public:
    // A window with SDL_WINDOW_OPENGL added to `flags`, then its context, made current.
    // Ok() tells whether both exist; if not, status() holds SDL's message.
    GlWindow(const char* title, int x, int y, int width, int height, uint32_t flags);
    // A hidden window for drawing offscreen (read back with glReadPixels), at (0, 0).
    GlWindow(const char* title, int width, int height);
    ~GlWindow();
    GlWindow(const GlWindow&) = delete;
    GlWindow& operator=(const GlWindow&) = delete;

    bool Ok() const { return window_ && context_; }
    Status status() const { return error_.empty() ? Status() : Status(Error(error_)); }
    SDL_Window* Window() const { return window_; }
    void* Context() const { return context_; }
    bool MakeCurrent() const;  // false if there is no context or SDL refuses
    void Swap() const;         // presents the back buffer; nothing without a window

  private:
    SDL_Window* window_ = nullptr;
    void* context_ = nullptr;
    std::string error_;
};

}  // namespace tv::sdl
