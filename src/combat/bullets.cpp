// The bullet pools' simulation: appending, moving, animating, hits and removal. No GL here.
#include "combat/bullets.h"

#include <algorithm>
#include <cmath>

#include "combat/turret.h"
#include "math/vector_math.h"

namespace tv {
namespace {

constexpr int32_t kGrowStep = 1000;
constexpr float kShotHitDistance = 10.0f;  // a shot this close to the turret hits it

void SetSprite(T_Explosion_System& set, float size, int32_t atlasHeight, int32_t frameCount) {
    set.Size = size;
    set.AtlasHeight = atlasHeight;
    set.FrameHeight = 128;
    set.FrameCount = frameCount;
}

void InitPool(TBulletPool& pool, float flightSize, float impactSize) {
    pool.Count = 0;
    pool.Capacity = 0;
    pool.Bullets.clear();
    pool.SpriteSets.clear();
    pool.SpriteSets.resize(1);
    SetSprite(pool.SpriteSets[0], flightSize, 512, 4);
    SetSprite(pool.Impact, impactSize, 2048, 16);
}

// Moves b towards Dest by Speed * t. Returns false when b sits on Dest and has no direction
// (it then stays where it is instead of taking a NaN step).
bool Move(TBullet& b, float t) {
    Vec3 d;
    VecSub(b.Dest, b.Pos, d);
    const float len = VecLength(d);
    if (!(len > 0.0f)) return false;
    VecAddScaled(b.Pos, d, b.Pos, b.Speed * t / len);
    return true;
}

void Burst(TBullet& b) {
    b.Exploding = 1;
    b.Frame = 0.0f;
}

// One frame of a pool: every bullet moves and animates, an impact that has played out is
// removed (the bullet moved into its slot gets its turn at once), and each bullet still in
// flight goes to onFlying(bullet, moved) to decide whether it bursts.
template <class OnFlying>
void AdvancePool(TBulletPool& pool, uint32_t frameMs, float impactMsPerFrame, OnFlying&& onFlying) {
    const float t = static_cast<float>(frameMs);
    int32_t i = 0;
    while (i < pool.Count) {
        TBullet& b = pool.Bullets[static_cast<size_t>(i)];
        const bool moved = Move(b, t);
        if (pool.Animate(b, t, impactMsPerFrame)) {
            pool.Remove(i);
            continue;
        }
        if (b.Exploding == 0) onFlying(b, moved);
        ++i;
    }
}

}  // namespace

TBullet& TBulletPool::Append() {
    Count += 1;
    if (Count > Capacity) {
        Capacity += kGrowStep;
        Bullets.resize(static_cast<size_t>(Capacity));
    }
    TBullet& b = Bullets[static_cast<size_t>(Count - 1)];
    b = TBullet{};
    return b;
}

void TBulletPool::Remove(int32_t i) {
    if (i < 0 || i >= Count) return;
    Bullets[static_cast<size_t>(i)] = Bullets[static_cast<size_t>(Count - 1)];
    Count -= 1;
}

int32_t TBulletPool::SpriteFrames(int32_t spriteSet) const {
    if (spriteSet < 0 || static_cast<size_t>(spriteSet) >= SpriteSets.size()) return 0;
    return SpriteSets[static_cast<size_t>(spriteSet)].FrameCount;
}

bool TBulletPool::Animate(TBullet& b, float t, float impactMsPerFrame) const {
    if (b.Exploding == 0) {
        if (b.Frame > static_cast<float>(SpriteFrames(b.SpriteSet))) b.Frame = 0.0f;
        b.Frame += t / 60.0f;
        return false;
    }
    b.Frame += t / impactMsPerFrame;
    return b.Frame > static_cast<float>(Impact.FrameCount);
}

void T_Bullets_System_Turel::Init() { InitPool(*this, 0.3f, 5.0f); }

void T_Bullets_System_Turel::FireShell(const Vec3& muzzle, const Vec3& aim, float range, float speed, float damage,
                                       int32_t spriteSet) {
    TBullet& b = Append();
    b.Pos = muzzle;
    b.Origin = muzzle;
    Vec3 d;
    VecSub(aim, muzzle, d);
    VecSetLength(d, range);  // a zero vector stays zero: Dest on the muzzle
    VecAdd(muzzle, d, b.Dest);
    b.Range = range + 0.01f;
    b.Speed = speed;
    b.Damage = damage;
    b.SpriteSet = spriteSet;
}

void T_Bullets_System_Turel::UpdateShells(uint32_t frameMs, TurretTargets* targets) {
    AdvancePool(*this, frameMs, 30.0f, [](TBullet& b, bool moved) {
        // A shell with nowhere left to go (fired with no length) bursts where it is rather
        // than hanging in the air for ever.
        if (VecDistance(b.Pos, b.Origin) > b.Range || !moved) Burst(b);
    });
    if (targets) HitTargets(*targets);
}

void T_Bullets_System_Turel::HitTargets(TurretTargets& targets) {
    bool anyFlying = false;
    for (int32_t s = 0; s < Count && !anyFlying; ++s) anyFlying = Bullets[static_cast<size_t>(s)].Exploding == 0;
    if (!anyFlying) return;

    // The aircraft once each into flat arrays, then a grid over them: a shell looks only at
    // the aircraft whose boxes could hold it.
    const int32_t planes = std::max(targets.Count(), 0);
    targetPos_.resize(static_cast<size_t>(planes));
    targetBox_.resize(static_cast<size_t>(planes));
    float largest = 0.0f;
    for (int32_t p = 0; p < planes; ++p) {
        targetPos_[p] = targets.Position(p);
        targetBox_[p] = 2.0f * targets.ModelRadius(p);
        if (targetBox_[p] > largest) largest = targetBox_[p];
    }
    if (!(largest > 0.0f)) return;  // a box of no size holds nothing
    targetGrid_.Build(targetPos_.data(), planes, largest);

    // The first aircraft in list order takes the shell; hits land in shell order.
    hitBy_.assign(static_cast<size_t>(Count), -1);
    for (int32_t s = 0; s < Count; ++s) {
        const TBullet& b = Bullets[static_cast<size_t>(s)];
        if (b.Exploding != 0) continue;
        int32_t first = -1;
        targetGrid_.ForEachNear(b.Pos, [&](int32_t p) {
            if (first >= 0 && p > first) return true;
            const Vec3& at = targetPos_[p];
            const float box = targetBox_[p];
            if (std::fabs(at.x - b.Pos.x) < box && std::fabs(at.y - b.Pos.y) < box && std::fabs(at.z - b.Pos.z) < box)
                first = p;
            return true;
        });
        hitBy_[s] = first;
    }
    for (int32_t s = 0; s < Count; ++s) {
        const int32_t p = hitBy_[s];
        if (p < 0) continue;
        TBullet& b = Bullets[static_cast<size_t>(s)];
        Burst(b);
        targets.HitPoints(p) -= b.Damage;
        b.Dest = b.Pos;  // it stops where it hit
        uint8_t& sound = targets.ExplosionSound(p);
        if (sound != 2) sound = 1;
    }
}

void T_Bullets_System_Turel::Fire(const Vec3& from, const Vec3& toward, float range, float speed, float damage,
                                  int32_t spriteSet) {
    FireShell(from, toward, range, speed, damage, spriteSet);
}

void T_Bullets_System_Turel::Update(uint32_t frameMs) { UpdateShells(frameMs, Owner ? Owner->Targets : nullptr); }

void T_Bullets_System_Planes::Init() { InitPool(*this, 3.0f, 1.0f); }

void T_Bullets_System_Planes::FireShot(int32_t spriteSet, const Vec3& position, const Vec3& destination, float speed,
                                       float damage) {
    TBullet& b = Append();
    b.Pos = position;
    b.Dest = destination;
    b.Speed = speed;
    b.Damage = damage;
    b.SpriteSet = spriteSet;
}

void T_Bullets_System_Planes::UpdateShots(uint32_t frameMs, TTurel* turret) {
    AdvancePool(*this, frameMs, 60.0f, [turret](TBullet& b, bool moved) {
        if (turret && VecDistance(b.Pos, turret->Position) < kShotHitDistance) {
            Burst(b);
            turret->Life -= b.Damage;
        } else if (!moved) {
            Burst(b);  // arrived somewhere that is not the turret
        }
    });
}

}  // namespace tv
