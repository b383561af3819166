#pragma once
// The main window over SDL: full screen (a borderless window the size of the desktop) or a
// normal resizable window, switchable at any time, with an OpenGL compatibility context, and
// its buttons drawn with Dear ImGui over each frame.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "sdl/gl_context_sdl.h"
#include "platform/window.h"
#include "shell/window_state.h"

struct ImGuiStyle;

namespace tv {
struct TForm1;
}

namespace tv::sdl {

class SdlMainWindow : public MainWindowPort {
public:
    // Creates the window and its context; Ok() tells whether both exist. The windowed size is
    // used now when not `fullscreen`, and whenever the player leaves full screen. Full screen
    // fills monitor `display` (a valid SDL display index).
    SdlMainWindow(bool fullscreen, int windowedWidth, int windowedHeight, int display = 0);
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
    // The interface scale (1 to 3) of everything ImGui draws: the font is made again at that
    // size and every size of the style scaled. The buttons' rectangles are the form's.
    void SetUiScale(double scale);
    double UiScale() const { return uiScale_; }
    // The horizontal dots per inch of the display the window is on; 0 when SDL cannot tell.
    float DisplayDpi() const;
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
    // Full screen <-> the windowed size (the windowed size and place the player last left it at).
    void ToggleFullscreen();
    // The windowed size: the window's size now when windowed, else on leaving full screen.
    void SetWindowedSize(int width, int height);
    // Puts the window's top-left corner at (x, y) of the desktop, now when windowed, else when
    // full screen is left.
    void PlaceWindowed(int x, int y);
    // The windowed size and place (those it will return to, while full screen) and the monitor
    // full screen uses, to be remembered for the next run.
    WindowState Placement() const;
    // Swaps wait for the display's refresh when on: adaptive sync where the driver offers it,
    // plain sync otherwise. Off, frames are presented as soon as they are drawn.
    void SetVsync(bool on);
    // The buttons drawn over the next frames.
    void SetForm(const TForm1* form) { form_ = form; }
    // The button framed as the controller's focus (a form button id; none when out of range).
    void SetFocusedButton(int id) { focused_ = id; }
    // Drawn with ImGui over the buttons on every presented frame (the options menu); empty: none.
    void SetOverlay(std::function<void()> draw) { overlay_ = std::move(draw); }
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
    std::unique_ptr<ImGuiStyle> baseStyle_;  // the style at scale 1
    double uiScale_ = 1.0;
    bool closeRequested_ = false;
    bool deleteRequested_ = false;
    bool presented_ = false;
    bool capture_ = false;
    bool fullscreen_ = false;
    int windowedWidth_ = 0;  // the size to return to from full screen
    int windowedHeight_ = 0;
    bool hasWindowedPosition_ = false;  // false: centred when full screen is left
    int windowedX_ = 0;
    int windowedY_ = 0;
    int display_ = 0;  // the monitor full screen fills
    const TForm1* form_ = nullptr;
    int focused_ = -1;
    std::function<void()> overlay_;
    std::string error_;
    int lastWidth_ = 0;
    int lastHeight_ = 0;
    std::vector<uint8_t> lastFrame_;
};

}  // namespace tv::sdl
