#pragma once
// The system clock: milliseconds since the machine started, and SDL's performance counter.

#include "platform/clock.h"

namespace tv::sdl {

class SdlClock : public Clock {
public:
    uint32_t TickCount() override;
    uint64_t PerformanceCounter() override;
    // While held (the game is paused) the tick count stands still; released, it goes on from
    // where it stood, so no game time passes during a pause.
    void Hold(bool held);

private:
    uint32_t SystemTicks() const;
    bool held_ = false;
    uint32_t heldAt_ = 0;    // system ticks when held
    uint32_t heldTotal_ = 0; // ms held so far, taken off the system's count
};

}  // namespace tv::sdl
