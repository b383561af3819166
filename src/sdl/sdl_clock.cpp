#include "sdl/sdl_clock.h"

#include <SDL2/SDL.h>
#include <time.h>

namespace tv::sdl {

// Milliseconds since the machine started, like the system tick count the game was made for:
// the frame-rate caption's first update relies on the count being well past 1000 at start.
uint32_t SdlClock::SystemTicks() const {
    timespec ts{};
    if (clock_gettime(CLOCK_BOOTTIME, &ts) != 0) return SDL_GetTicks();
    uint64_t ms = static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec) / 1000000u;
    return static_cast<uint32_t>(ms);  // wraps like the system's count
}

uint32_t SdlClock::TickCount() { return (held_ ? heldAt_ : SystemTicks()) - heldTotal_; }

void SdlClock::Hold(bool held) {
    if (held == held_) return;
    held_ = held;
    if (held) heldAt_ = SystemTicks();
    else heldTotal_ += SystemTicks() - heldAt_;
}

uint64_t SdlClock::PerformanceCounter() { return SDL_GetPerformanceCounter(); }

}  // namespace tv::sdl
