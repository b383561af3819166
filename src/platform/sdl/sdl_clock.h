#pragma once
// The system clock: SDL's millisecond ticks and performance counter.

#include "platform/clock.h"

namespace tv::sdl {

class SdlClock : public Clock {
public:
    uint32_t TickCount() override;
    uint64_t PerformanceCounter() override;
};

}  // namespace tv::sdl
