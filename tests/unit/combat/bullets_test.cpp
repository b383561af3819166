#include <gtest/gtest.h>

#include <vector>

#include "combat/bullets.h"
#include "combat/turret.h"

namespace tv {
namespace {

// A few aircraft standing still, as the turret's link sees them.
class FakeTargets : public TurretTargets {
public:
    struct Plane {
        Vec3 pos;
        float radius = 1.0f;
        float hp = 1.0f;
        uint8_t sound = 0;
    };
    std::vector<Plane> planes;
    int kills = 0;

    int32_t Count() const override { return static_cast<int32_t>(planes.size()); }
    Vec3 Position(int32_t i) const override { return planes[i].pos; }
    float ModelRadius(int32_t i) const override { return planes[i].radius; }
    float& HitPoints(int32_t i) override { return planes[i].hp; }
    uint8_t& ExplosionSound(int32_t i) override { return planes[i].sound; }
    void CountKill() override { ++kills; }
};

T_Bullets_System_Turel ShellPool() {
    T_Bullets_System_Turel pool;
    pool.Init();
    return pool;
}

TEST(BulletPool, GrowsInStepsOfAThousandAndRemovalFillsTheHoleWithoutShrinking) {
    T_Bullets_System_Planes pool;
    pool.Init();
    for (int i = 0; i < 1000; ++i) pool.FireShot(0, {float(i), 0, 0}, {0, 0, 0}, 0.1f, 0.01f);
    EXPECT_EQ(pool.Capacity, 1000);
    pool.FireShot(0, {1000, 0, 0}, {0, 0, 0}, 0.1f, 0.01f);
    EXPECT_EQ(pool.Count, 1001);
    EXPECT_EQ(pool.Capacity, 2000);
    EXPECT_EQ(pool.Bullets.size(), 2000u);

    pool.Remove(3);  // the last live shot (x = 1000) takes slot 3
    EXPECT_EQ(pool.Count, 1000);
    EXPECT_FLOAT_EQ(pool.Bullets[3].Pos.x, 1000.0f);
    EXPECT_FLOAT_EQ(pool.Bullets[4].Pos.x, 4.0f);
    EXPECT_EQ(pool.Bullets.size(), 2000u);

    while (pool.Count > 0) pool.Remove(pool.Count - 1);
    EXPECT_EQ(pool.Count, 0);
    EXPECT_EQ(pool.Capacity, 2000);
    // A fresh append after removals starts clean, whatever the slot held before.
    pool.Bullets[0].Exploding = 1;
    pool.Bullets[0].Frame = 7.0f;
    pool.FireShot(0, {}, {1, 0, 0}, 0.1f, 0.01f);
    EXPECT_EQ(pool.Bullets[0].Exploding, 0);
    EXPECT_FLOAT_EQ(pool.Bullets[0].Frame, 0.0f);
}

TEST(TurretShells, FlyStraightAtTheirSpeedBurstPastTheirRangeAndAreRemoved) {
    auto pool = ShellPool();
    pool.FireShell({10, 20, 5}, {10, 30, 5}, 300.0f, 0.7f, 0.1f, 0);
    ASSERT_EQ(pool.Count, 1);
    EXPECT_FLOAT_EQ(pool.Bullets[0].Dest.y, 320.0f);  // aim scaled out to the range
    EXPECT_FLOAT_EQ(pool.Bullets[0].Range, 300.01f);

    pool.UpdateShells(0, nullptr);  // no time, no movement
    EXPECT_FLOAT_EQ(pool.Bullets[0].Pos.y, 20.0f);
    EXPECT_FLOAT_EQ(pool.Bullets[0].Frame, 0.0f);

    pool.UpdateShells(100, nullptr);
    EXPECT_FLOAT_EQ(pool.Bullets[0].Pos.x, 10.0f);
    EXPECT_NEAR(pool.Bullets[0].Pos.y, 90.0f, 1e-4f);
    EXPECT_FLOAT_EQ(pool.Bullets[0].Pos.z, 5.0f);

    // 300 units at 0.7 per ms: 428 ms lands on 299.6 units, still flying.
    pool.UpdateShells(328, nullptr);
    EXPECT_EQ(pool.Bullets[0].Exploding, 0);
    pool.UpdateShells(1, nullptr);  // 300.3 units out: past 300.01
    EXPECT_EQ(pool.Bullets[0].Exploding, 1);
    EXPECT_FLOAT_EQ(pool.Bullets[0].Frame, 0.0f);

    // The impact shows for 16 frames at t / 30: still there after 470 ms, gone by 490 ms.
    for (int i = 0; i < 47; ++i) pool.UpdateShells(10, nullptr);
    EXPECT_EQ(pool.Count, 1);
    pool.UpdateShells(20, nullptr);
    EXPECT_EQ(pool.Count, 0);
}

TEST(TurretShells, FlightFrameAdvancesWithTimeAndWrapsPastTheSpriteFrames) {
    auto pool = ShellPool();
    pool.FireShell({0, 0, 0}, {1, 0, 0}, 800.0f, 0.7f, 0.1f, 0);
    pool.UpdateShells(60, nullptr);
    EXPECT_FLOAT_EQ(pool.Bullets[0].Frame, 1.0f);
    pool.UpdateShells(210, nullptr);
    EXPECT_FLOAT_EQ(pool.Bullets[0].Frame, 4.5f);
    pool.UpdateShells(30, nullptr);  // past 4 frames: back to 0, then this frame's half
    EXPECT_FLOAT_EQ(pool.Bullets[0].Frame, 0.5f);
}

TEST(TurretShells, HitTheFirstAircraftWhoseBoxTheyAreIn) {
    FakeTargets targets;
    targets.planes = {{{100, 0, 0}, 1.0f, 1.0f, 0}, {{101, 0, 0}, 1.0f, 1.0f, 0}, {{0, 50, 0}, 1.0f, 1.0f, 2}};
    auto pool = ShellPool();
    pool.FireShell({99.5f, 0, 0}, {200, 0, 0}, 800.0f, 0.7f, 0.1f, 0);  // inside both boxes
    pool.FireShell({0, 48.5f, 0}, {0, 100, 0}, 800.0f, 0.7f, 0.1f, 0);  // inside the third
    pool.FireShell({50, 0, 2.0f}, {50, 0, 100}, 800.0f, 0.7f, 0.1f, 0);  // clear of all
    pool.UpdateShells(0, &targets);

    EXPECT_FLOAT_EQ(targets.planes[0].hp, 0.9f);
    EXPECT_EQ(targets.planes[0].sound, 1);
    EXPECT_FLOAT_EQ(targets.planes[1].hp, 1.0f);  // the shell was already bursting
    EXPECT_EQ(targets.planes[1].sound, 0);
    EXPECT_FLOAT_EQ(targets.planes[2].hp, 0.9f);
    EXPECT_EQ(targets.planes[2].sound, 2);  // already played stays played
    EXPECT_EQ(targets.kills, 0);              // cannon hits never count kills

    EXPECT_EQ(pool.Bullets[0].Exploding, 1);
    EXPECT_EQ(pool.Bullets[2].Exploding, 0);
    // A burst shell stops where it hit.
    const Vec3 hit = pool.Bullets[0].Pos;
    pool.UpdateShells(50, &targets);
    EXPECT_FLOAT_EQ(pool.Bullets[0].Pos.x, hit.x);
    EXPECT_FLOAT_EQ(targets.planes[0].hp, 0.9f);  // and hits nothing twice
}

TEST(TurretShells, BoxTestIsStrictOnEveryAxis) {
    FakeTargets targets;
    targets.planes = {{{0, 0, 0}, 1.0f, 1.0f, 0}};
    auto pool = ShellPool();
    pool.FireShell({1.9f, 1.9f, 2.0f}, {1.9f, 1.9f, 100}, 800.0f, 0.7f, 0.1f, 0);  // z exactly 2r
    pool.UpdateShells(0, &targets);
    EXPECT_FLOAT_EQ(targets.planes[0].hp, 1.0f);
    EXPECT_EQ(pool.Bullets[0].Exploding, 0);
}

TEST(TurretShells, AShellWithNoLengthBurstsAtTheMuzzleInsteadOfHanging) {
    auto pool = ShellPool();
    pool.FireShell({5, 5, 5}, {5, 5, 5}, 300.0f, 0.7f, 0.1f, 0);  // aim on the muzzle
    pool.FireShell({5, 5, 5}, {9, 5, 5}, 0.0f, 0.7f, 0.1f, 0);    // beam of length 0
    pool.UpdateShells(16, nullptr);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(pool.Bullets[i].Exploding, 1);
        EXPECT_FLOAT_EQ(pool.Bullets[i].Pos.x, 5.0f);  // no NaN step
    }
    for (int i = 0; i < 60; ++i) pool.UpdateShells(10, nullptr);
    EXPECT_EQ(pool.Count, 0);
}

TEST(TurretShells, ARemovedShellsReplacementIsStillUpdatedThatFrame) {
    auto pool = ShellPool();
    pool.FireShell({0, 0, 0}, {1, 0, 0}, 800.0f, 0.7f, 0.1f, 0);
    pool.FireShell({0, 0, 0}, {0, 1, 0}, 800.0f, 0.7f, 0.1f, 0);
    pool.Bullets[0].Exploding = 1;
    pool.Bullets[0].Frame = 15.9f;
    pool.Bullets[0].Dest = pool.Bullets[0].Pos;
    pool.UpdateShells(10, nullptr);
    ASSERT_EQ(pool.Count, 1);
    EXPECT_FLOAT_EQ(pool.Bullets[0].Pos.y, 7.0f);
}

TEST(TurretShells, TheTurretFiresIntoThePoolAndItsShellsHitItsTargets) {
    TTurel turret(nullptr);
    FakeTargets targets;
    targets.planes = {{{0, 30, 0}, 2.0f, 5.0f, 0}};
    auto pool = ShellPool();
    pool.Owner = &turret;
    turret.Targets = &targets;
    turret.Bullets = &pool;
    TurretShells& link = pool;
    link.Fire({0, 0, 0}, {0, 10, 0}, 800.0f, 0.7f, 0.1f, 0);
    link.Update(40);  // 28 units out: inside the 4-unit box around y = 30
    EXPECT_FLOAT_EQ(targets.planes[0].hp, 4.9f);
    turret.Targets = nullptr;  // a turret with no aircraft: shells still fly
    link.Fire({0, 0, 0}, {10, 0, 0}, 800.0f, 0.7f, 0.1f, 0);
    link.Update(10);
    EXPECT_FLOAT_EQ(pool.Bullets[1].Pos.x, 7.0f);
}

TEST(AircraftShots, FlyToTheTurretAndTakeItsLifeOnce) {
    TTurel turret(nullptr);
    turret.Position = {500, 500, 0};
    turret.Life = 1000.0f;
    T_Bullets_System_Planes pool;
    pool.Init();
    pool.FireShot(0, {500, 600, 0}, turret.Position, 0.1f, 0.01f);

    pool.UpdateShots(0, &turret);
    EXPECT_FLOAT_EQ(pool.Bullets[0].Pos.y, 600.0f);
    pool.UpdateShots(500, &turret);  // 50 units closer, 50 away
    EXPECT_NEAR(pool.Bullets[0].Pos.y, 550.0f, 1e-3f);
    EXPECT_FLOAT_EQ(pool.Bullets[0].Frame, 500.0f / 60.0f);
    EXPECT_FLOAT_EQ(turret.Life, 1000.0f);

    pool.UpdateShots(410, &turret);  // 9 units away
    EXPECT_EQ(pool.Bullets[0].Exploding, 1);
    EXPECT_FLOAT_EQ(turret.Life, 999.99f);

    // The impact lasts 16 frames at t / 60 (960 ms) and hits no more.
    for (int i = 0; i < 95; ++i) pool.UpdateShots(10, &turret);
    EXPECT_EQ(pool.Count, 1);
    pool.UpdateShots(20, &turret);
    EXPECT_EQ(pool.Count, 0);
    EXPECT_FLOAT_EQ(turret.Life, 999.99f);
}

TEST(AircraftShots, WithoutATurretTheyFlyAndBurstOnArrival) {
    T_Bullets_System_Planes pool;
    pool.Init();
    pool.FireShot(0, {0, 0, 0}, {0, 0, 0}, 0.1f, 0.01f);
    pool.FireShot(0, {0, 0, 0}, {0, 100, 0}, 0.1f, 0.01f);
    pool.UpdateShots(100, nullptr);
    EXPECT_EQ(pool.Bullets[0].Exploding, 1);
    EXPECT_EQ(pool.Bullets[1].Exploding, 0);
    EXPECT_FLOAT_EQ(pool.Bullets[1].Pos.y, 10.0f);
}

}  // namespace
}  // namespace tv
