#pragma once
// An offscreen colour and depth target the 3D scene can be drawn into at a lower resolution
// than the window's, then stretched over the window with linear filtering. Framebuffer objects
// come with GL 3.0 or ARB_framebuffer_object; without them the target is unavailable and the
// caller draws straight into the window.
//
// The game's one target is a part of its GPU store (GpuStore::Part), released with the rest of
// the store's objects while the context is current.

#include <cstdint>
#include <string>

namespace tv {

class OffscreenTarget {
public:
    OffscreenTarget() = default;
    ~OffscreenTarget() { Release(); }
    OffscreenTarget(const OffscreenTarget&) = delete;
    OffscreenTarget& operator=(const OffscreenTarget&) = delete;

    // Binds a framebuffer of width x height pixels for drawing, (re)making it when the size
    // changed, and sets the viewport to it. False, with the default framebuffer still bound,
    // when framebuffer objects are missing or the driver refuses the target; Error() then says
    // why, and every later Begin fails at once without touching GL.
    bool Begin(int width, int height);
    // Binds the default framebuffer again and stretches what was drawn over its
    // windowWidth x windowHeight pixels (linear filter); the viewport is the window's after it.
    void EndAndStretch(int windowWidth, int windowHeight);
    // Deletes the GL names (needs the context they were made in to be current).
    void Release();

    bool Failed() const { return failed_; }
    const std::string& Error() const { return error_; }
    int Width() const { return width_; }
    int Height() const { return height_; }

private:
    uint32_t framebuffer_ = 0;
    uint32_t color_ = 0;  // a texture
    uint32_t depth_ = 0;  // a renderbuffer
    int width_ = 0;
    int height_ = 0;
    bool failed_ = false;
    std::string error_;
};

// The scene's size in pixels for a window side and a render scale: at least one pixel, never
// more than the window's.
int ScaledSide(int windowSide, double scale);

}  // namespace tv
