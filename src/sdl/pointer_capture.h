#pragma once
// The captured pointer: hidden, confined, every count turns the view. It is captured while the
// game runs unpaused in the focused window and the player has not freed it.

namespace tv::sdl {

class SdlInput;
class SdlMainWindow;

class PointerCapture {
public:
    // `replay`: the input comes from a recording, so the pointer is never captured.
    PointerCapture(SdlMainWindow& window, SdlInput& input, bool replay);

    // The player wants the pointer in the game (a click into the view, the focus back) or
    // back on the desktop (the free-pointer key, the focus lost).
    void Want(bool want) { want_ = want; }
    bool Wanted() const { return want_; }

    // Captures or frees the pointer as things stand: `running` says the game runs with its
    // picture, `buttonHeld` that a window button holds the left button's press.
    void Update(bool running, bool paused, bool buttonHeld);
    // Gives the pointer back to the desktop (the loop is over).
    void Release();

private:
    // Once the start-up is over (its loading window gone), the main window takes the focus
    // back, so aiming starts without a click.
    void FocusWhenPlayStarts(bool running);

    SdlMainWindow& window_;
    SdlInput& input_;
    bool replay_;
    bool wasRunning_ = false;  // the game was running at the last update
    bool want_ = true;         // the player has not freed the pointer (Tab) or lost the focus
};

}  // namespace tv::sdl
