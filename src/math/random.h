#pragma once
// The game's one random generator: a 32-bit linear congruential rule. It lives in the Game
// context (never a global) so a fresh game starts from seed 0 and runs repeat exactly.

#include <cstdint>

#include "platform/clock.h"

namespace tv {

class GameRandom {
  public:
    // seed := seed * 134775813 + 1 (mod 2^32); returns the high 32 bits of seed * n, in [0, n).
    uint32_t Random(uint32_t n) {
        seed_ = seed_ * 134775813u + 1u;
        return static_cast<uint32_t>((static_cast<uint64_t>(seed_) * n) >> 32);
    }
    // A float in [0, 1): Random over 2^32 scaled down, for callers that want a fraction.
    double RandomFraction() {
        seed_ = seed_ * 134775813u + 1u;
        return static_cast<double>(seed_) / 4294967296.0;
    }
    // Reseeding takes the low 32 bits of the performance counter.
    void Reseed(uint64_t performanceCounter) { seed_ = static_cast<uint32_t>(performanceCounter); }
    // Reseeds from the clock's performance counter (a StepClock keeps runs repeatable).
    void Reseed(Clock& clock) { Reseed(clock.PerformanceCounter()); }
    uint32_t Seed() const { return seed_; }
    void SetSeed(uint32_t seed) { seed_ = seed; }

  private:
    uint32_t seed_ = 0;
};

}  // namespace tv
