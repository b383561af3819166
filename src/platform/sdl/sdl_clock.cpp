#include "platform/sdl/sdl_clock.h"

#include <SDL2/SDL.h>

namespace tv::sdl {

uint32_t SdlClock::TickCount() { return SDL_GetTicks(); }
uint64_t SdlClock::PerformanceCounter() { return SDL_GetPerformanceCounter(); }

}  // namespace tv::sdl
