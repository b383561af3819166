#pragma once
// What the turret needs from the combat parts that are not its own: the aircraft it can hit
// and see on the radar, and the pool its cannon shells fly in. The aircraft system and the
// turret bullet pool implement these; until they exist the turret runs with none (a null
// pointer means "nothing there").

#include <cstdint>

#include "math/vec3.h"

namespace tv {

// The aircraft as the laser and the radar see them, in list order.
class TurretTargets {
public:
    virtual ~TurretTargets() = default;
    virtual int32_t Count() const = 0;
    virtual Vec3 Position(int32_t i) const = 0;
    virtual float ModelRadius(int32_t i) const = 0;  // bounding radius of its model
    virtual float& HitPoints(int32_t i) = 0;
    // 0 = not hit yet, 1 = play the explosion sound, 2 = already played.
    virtual uint8_t& ExplosionSound(int32_t i) = 0;
    virtual void CountKill() = 0;                     // the aircraft system's kill counter
};

// The turret bullet pool.
class TurretShells {
public:
    virtual ~TurretShells() = default;
    // One shell from `from` towards `toward`, flying `range` units at `speed` units per ms.
    virtual void Fire(const Vec3& from, const Vec3& toward, float range, float speed, float damage,
                      int32_t spriteSet) = 0;
    virtual void Update(uint32_t frameMs) = 0;
    // Drawing the shells is not part of the link: their owner draws them after the turret,
    // so the simulation never reaches GL through it.
};

}  // namespace tv
