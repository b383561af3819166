#pragma once
// The main window over SDL: full screen (a borderless window the size of the desktop) or a
// normal resizable window, switchable at any time, with an OpenGL compatibility context, and
// its buttons drawn with Dear ImGui over each frame.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "sdl/gl_context_sdl.h"
#include "platform/window.h"

namespace tv {
struct TForm1;
}

namespace tv::sdl {

class SdlMainWindow : public MainWindowPort {
public:
    // Creates the window and its context; Ok() tells whether both exist. The windowed size is
    // used now when not `fullscreen`, and whenever the player leaves full screen.
    SdlMainWindow(bool fullscreen, int windowedWidth, int windowedHeight);
    ~SdlMainWindow() override;
    SdlMainWindow(const SdlMainWindow&) = delete;
    SdlMainWindow& operator=(const SdlMainWindow&) = delete;

    bool Ok() const { return gl_ && gl_->Ok(); }
    Status status() const { return error_.empty() ? Status() : Status(Error(error_)); }  // why not Ok()
    SDL_Window* Handle() const { return gl_->Window(); }

    // The window's icon from a PNG file; false (and no icon) if the file is missing or is not
    // a readable PNG of at most 1024 x 1024.
    bool SetIcon(const std::string& path);
    void SetCaption(const std::string& caption) override;
    void Close() override { closeRequested_ = true; }
    // The drawable's size in pixels, which the 3D view fills (larger than the window's own
    // size on a high-DPI screen).
    int Width() const override;
    int Height() const override;
    // The window's size in window coordinates, the ones mouse events and buttons use.
    void WindowSize(int& width, int& height) const;
    bool MakeGLCurrent() override;
    // Nothing is drawn after this; the context itself goes with the window, once every GL
    // object of the game has been released.
    void DeleteGLContext() override;
    void SwapBuffers() override;

    bool CloseRequested() const { return closeRequested_; }
    bool Fullscreen() const { return fullscreen_; }
    // Full screen <-> the windowed size (the windowed size the player last left it at).
    void ToggleFullscreen();
    // Swaps wait for the display's refresh when on: adaptive sync where the driver offers it,
    // plain sync otherwise. Off, frames are presented as soon as they are drawn.
    void SetVsync(bool on);
    // The buttons drawn over the next frames.
    void SetForm(const TForm1* form) { form_ = form; }
    // The button framed as the controller's focus (a form button id; none when out of range).
    void SetFocusedButton(int id) { focused_ = id; }
    // Clears to the window's face colour and shows only the buttons (when the game draws nothing).
    void PresentControlsOnly();
    // Whether SwapBuffers ran since the last call.
    bool TakePresented();
    // Keep a copy of each presented frame for --screenshot.
    void SetCaptureFrames(bool on) { capture_ = on; }
    // Writes the last captured frame as PNG; false if there is none or the file fails.
    bool WriteLastFrame(const std::string& path) const;

private:
    void DrawControls();

    std::unique_ptr<GlWindow> gl_;  // made by the constructor, whether or not it is Ok
    bool imguiReady_ = false;
    bool closeRequested_ = false;
    bool deleteRequested_ = false;
    bool presented_ = false;
    bool capture_ = false;
    bool fullscreen_ = false;
    int windowedWidth_ = 0;  // the size to return to from full screen
    int windowedHeight_ = 0;
    const TForm1* form_ = nullptr;
    int focused_ = -1;
    std::string error_;
    int lastWidth_ = 0;
    int lastHeight_ = 0;
    std::vector<uint8_t> lastFrame_;
};

}  // namespace tv::sdl
