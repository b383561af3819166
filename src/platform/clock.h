#pragma once
// Game time. Everything that moves reads time through a Clock, never the wall clock directly,
// so a run driven by a StepClock repeats exactly.

#include <cstdint>

namespace tv {

class Clock {
public:
    virtual ~Clock() = default;
    // Milliseconds since some fixed start; wraps after 49.7 days like the system tick count.
    virtual uint32_t TickCount() = 0;
    // A high-resolution counter; only its low 32 bits seed the random generator.
    virtual uint64_t PerformanceCounter() = 0;
};

// Deterministic clock: the tick count only moves when told to, and the performance counter
// counts up by one on every read.
class StepClock : public Clock {
public:
    uint32_t TickCount() override { return ticksMs_; }
    uint64_t PerformanceCounter() override { return counter_++; }

    void SetTicks(uint32_t ms) { ticksMs_ = ms; }
    void Advance(uint32_t ms) { ticksMs_ += ms; }

private:
    uint32_t ticksMs_ = 0;
    uint64_t counter_ = 0;
};

// Local time of day in milliseconds since midnight (0 .. 86399999), for log stamps.
uint32_t LocalMsOfDay();

}  // namespace tv
