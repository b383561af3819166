#pragma once
// The two bullet pools: the turret's cannon shells (they hit aircraft) and the aircraft's
// shots (they hit the turret and take its Life). A bullet flies in a straight line towards
// Dest at Speed units per ms, shows an animated sprite while it flies and an impact
// explosion once it hits; then it is removed.
//
// Pools are value arrays that grow in steps of 1000 and never shrink; removal copies the last
// live bullet into the hole, so order is not kept. Updates need no GL; the textures (in the
// renderer's store) and the draws need the GL context (draws expect the camera's modelview to
// be current).
//
// Use: the owner holds the pool, calls Init() then LoadTextures(gpu, dataRoot) once, and
// each frame Update*(frameMs, ...) followed by Draw*().

#include <cstdint>
#include <string>
#include <vector>

#include "combat/sprites.h"
#include "combat/turret_links.h"
#include "math/point_grid.h"
#include "math/vec3.h"

namespace tv {

class GpuStore;
class TTurel;

struct TBullet {
    Vec3 Pos;             // current position
    Vec3 Dest;            // the point it flies to
    Vec3 Origin;          // firing point (shells only)
    float Speed = 0.0f;   // units per ms
    float Frame = 0.0f;   // sprite frame counter
    int32_t SpriteSet = 0;  // index into SpriteSets
    uint8_t Exploding = 0;  // 0 flying, 1 showing the impact
    float Damage = 0.0f;  // taken from the target on a hit
    float Range = 0.0f;   // largest distance from Origin (shells only)
};

// The shape both pools share.
struct TBulletPool {
    int32_t Count = 0;     // live bullets: the first Count entries of Bullets
    int32_t Capacity = 0;  // Bullets.size()
    std::vector<T_Explosion_System> SpriteSets;  // flight sprites
    T_Explosion_System Impact;                   // the impact explosion
    std::vector<TBullet> Bullets;

    // A new flying bullet at the end, Frame 0; grows Bullets by 1000 when full.
    TBullet& Append();
    // The last live bullet takes slot i; Count drops by one. Bullets keeps its length.
    void Remove(int32_t i);
    // Frame count of a flight sprite set; 0 for an index with no set.
    int32_t SpriteFrames(int32_t spriteSet) const;
    // Advances b's sprite by t ms: the flight strip loops at one frame per 60 ms, the impact
    // runs once at one frame per impactMsPerFrame. True when the impact has played out.
    bool Animate(TBullet& b, float t, float impactMsPerFrame) const;
};

// Cannon shells of the turret. Implements the turret's TurretShells link.
class T_Bullets_System_Turel : public TBulletPool, public TurretShells {
public:
    // Empty pool and the sprite settings (no textures): flight sprite size 0.3, 4 frames of
    // 128 in 512; impact size 5.0, 16 frames of 128 in 2048.
    void Init();
    // The flight and impact textures from the data root (GL context needed; a missing image
    // gives an empty texture, as every texture load does).
    void LoadTextures(GpuStore* gpu, const std::string& dataRoot);

    // A shell from muzzle towards aim, flying `range` units. An aim on the muzzle leaves the
    // shell no direction: it bursts at the muzzle.
    void FireShell(const Vec3& muzzle, const Vec3& aim, float range, float speed, float damage, int32_t spriteSet);
    // Moves, animates and retires the shells, then tests the flying ones against `targets`
    // (may be null) in list order: a hit takes the shell's Damage off the aircraft's hit
    // points and flags its explosion sound. Never counts a kill.
    void UpdateShells(uint32_t frameMs, TurretTargets* targets);
    // UpdateShells' second half, after moving, animating and retiring the shells. Each flying
    // shell bursts on the first aircraft in list order whose box (twice its radius either
    // side, on each axis) holds it, and an aircraft loses its shells' damage in shell order.
    void HitTargets(TurretTargets& targets);
    void DrawShells() const;

    // TurretShells: Fire = FireShell; Update = UpdateShells against Owner's Targets.
    void Fire(const Vec3& from, const Vec3& toward, float range, float speed, float damage,
              int32_t spriteSet) override;
    void Update(uint32_t frameMs) override;

    const TTurel* Owner = nullptr;  // whose Targets the shells hit; not owned, may be null

private:
    // Scratch of the hit pass, reused between frames.
    std::vector<Vec3> targetPos_;
    std::vector<float> targetBox_;
    std::vector<int32_t> hitBy_;
    PointGrid targetGrid_;
};

// Shots of the aircraft. They fly to the turret and take its Life when within 10 units.
class T_Bullets_System_Planes : public TBulletPool {
public:
    // Empty pool and the sprite settings (no textures): flight sprite size 3.0, 4 frames of
    // 128 in 512; impact size 1.0, 16 frames of 128 in 2048.
    void Init();
    void LoadTextures(GpuStore* gpu, const std::string& dataRoot);  // as the turret pool's

    void FireShot(int32_t spriteSet, const Vec3& position, const Vec3& destination, float speed, float damage);
    // Moves, animates and retires the shots; a flying shot less than 10 units from the
    // turret's Position bursts and takes its Damage off the turret's Life. `turret` may be
    // null (no hits).
    void UpdateShots(uint32_t frameMs, TTurel* turret);
    // Flying shots only; exploding ones are not drawn.
    void DrawShots() const;
};

}  // namespace tv
