#pragma once
// The system clock: milliseconds since the machine started, and SDL's performance counter.

#include "platform/clock.h"

namespace tv::sdl {

class SdlClock : public Clock {
public:
    uint32_t TickCount() override;
    uint64_t PerformanceCounter() override;
};

}  // namespace tv::sdl
