#pragma once
// What the game asks of its main window. The SDL side implements it; tests use fakes.

#include <string>

namespace tv {

class MainWindowPort {
public:
    virtual ~MainWindowPort() = default;
    // Caption text in UTF-8.
    virtual void SetCaption(const std::string& caption) = 0;
    // Asks the window to close; the loop ends after the current iteration.
    virtual void Close() = 0;
    // Outer size in pixels.
    virtual int Width() const = 0;
    virtual int Height() const = 0;
    // Makes the window's OpenGL context (double buffer, 32-bit colour, depth) current.
    // Returns false when there is none.
    virtual bool MakeGLCurrent() = 0;
    // Ends rendering for good: nothing is drawn after this. The context is deleted once the
    // game's own GL objects have been released (they may still be freed after this call).
    virtual void DeleteGLContext() = 0;
    // Shows the finished frame (the window's own controls are drawn over it first).
    virtual void SwapBuffers() = 0;
};

}  // namespace tv
