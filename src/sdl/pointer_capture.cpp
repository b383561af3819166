#include "sdl/pointer_capture.h"

#include <SDL2/SDL.h>

#include "sdl/sdl_input.h"
#include "sdl/sdl_main_window.h"

namespace tv::sdl {

PointerCapture::PointerCapture(SdlMainWindow& window, SdlInput& input, bool replay)
    : window_(window), input_(input), replay_(replay) {
    // The captured pointer reads its counts from pointer motion re-centred by SDL rather
    // than from raw device input, which misses synthetic pointers (remote desktops, input
    // tools) on X11. SDL_MOUSE_RELATIVE_MODE_WARP in the environment still decides.
    SDL_SetHintWithPriority(SDL_HINT_MOUSE_RELATIVE_MODE_WARP, "1", SDL_HINT_DEFAULT);
}

void PointerCapture::Release() {
    if (SDL_GetRelativeMouseMode()) SDL_SetRelativeMouseMode(SDL_FALSE);
}

void PointerCapture::FocusWhenPlayStarts(bool running) {
    if (running && !wasRunning_ && !replay_) {
        SDL_RaiseWindow(window_.Handle());
        SDL_SetWindowInputFocus(window_.Handle());
        want_ = true;
    }
    wasRunning_ = running;
}

void PointerCapture::Update(bool running, bool paused, bool buttonHeld) {
    FocusWhenPlayStarts(running);
    const bool focused = (SDL_GetWindowFlags(window_.Handle()) & SDL_WINDOW_INPUT_FOCUS) != 0;
    const bool capture = running && !replay_ && !paused && want_ && focused && !buttonHeld;
    if (capture != static_cast<bool>(SDL_GetRelativeMouseMode())) {
        if (SDL_SetRelativeMouseMode(capture ? SDL_TRUE : SDL_FALSE) != 0 && capture) {
            // No relative mode here: aim with the free pointer rather than not at all.
            input_.SetAiming(true);
            return;
        }
        // The first motion after capturing only tells SDL where the pointer is: make that
        // one a warp to the middle, not the player's first move.
        if (capture) SDL_WarpMouseInWindow(window_.Handle(), window_.Width() / 2, window_.Height() / 2);
    }
    if (capture && !input_.Aiming()) input_.DropMotion();
    input_.SetAiming(capture);
}

}  // namespace tv::sdl
