// The turret's rules without GL: aiming and the posed muzzles, the beam against the ground and
// against aircraft, the power store, the cannon's rate, the weapon switches, sight and radar.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "combat/turret.h"
#include "turret_fixture.h"
#include "math/vector_math.h"
#include "world/terrain.h"

namespace tv {
using test::MakeTurret;
namespace {

Vec3 Dir(const Vec3& from, const Vec3& to) {
    Vec3 d;
    VecSub(to, from, d);
    VecNormalize(d, d);
    return d;
}

// N x N terrain of side S in client-array mode.
template <typename F>
void BuildGround(TLand& land, int n, float s, F height) {
    land.RenderMode = 2;
    std::vector<float> h;
    for (int i = 0; i <= n; ++i)
        for (int j = 0; j <= n; ++j) h.push_back(height(i, j));
    land.BuildMesh(n, s, h, std::vector<float>(static_cast<size_t>(n) * n * 12));
}

class FakeAircraft : public TurretTargets {
public:
    struct Plane {
        Vec3 pos;
        float radius;
        float hp;
        uint8_t sound = 0;
    };
    int32_t Count() const override { return static_cast<int32_t>(planes.size()); }
    Vec3 Position(int32_t i) const override { return planes[i].pos; }
    float ModelRadius(int32_t i) const override { return planes[i].radius; }
    float& HitPoints(int32_t i) override { return planes[i].hp; }
    uint8_t& ExplosionSound(int32_t i) override { return planes[i].sound; }
    void CountKill() override { ++kills; }
    std::vector<Plane> planes;
    int kills = 0;
};

class FakeShells : public TurretShells {
public:
    struct Shot {
        Vec3 from, toward;
        float range, speed, damage;
        int32_t set;
    };
    void Fire(const Vec3& from, const Vec3& toward, float range, float speed, float damage, int32_t set) override {
        shots.push_back({from, toward, range, speed, damage, set});
    }
    void Update(uint32_t ms) override { updatedMs += ms; }
    std::vector<Shot> shots;
    uint32_t updatedMs = 0;
};

TEST(TurretAim, MarkersAreFoundAndMuzzlesFollowYawAndPitch) {
    auto t = MakeTurret();
    EXPECT_EQ(t->MarkerTri1, 1);
    EXPECT_EQ(t->MarkerTri2, 2);
    EXPECT_EQ(t->MarkerTri3, 3);
    EXPECT_EQ(t->MarkerTri4, 4);

    t->Update(0, nullptr);
    // Level and unturned: barrels along +y at the pivot height, 1.05 either side.
    EXPECT_NEAR(t->Muzzle1.x, 500 - 1.05f, 1e-3);
    EXPECT_NEAR(t->Muzzle1.y, 506.4f, 1e-3);
    EXPECT_NEAR(t->Muzzle1.z, 4.8f, 1e-3);
    EXPECT_NEAR(t->Muzzle2.x, 500 + 1.05f, 1e-3);
    EXPECT_NEAR(VecDistance(t->Muzzle1, t->BeamEnd1), 1000.0f, 1e-2);
    Vec3 d = Dir(t->Muzzle1, t->BeamEnd1);
    EXPECT_NEAR(d.y, 1.0f, 1e-4);

    // Yaw 90 turns the barrels towards -x; pitch -30 raises them (3.14, not pi, so loosely).
    t->Yaw = 90;
    t->Pitch = -30;
    t->Update(0, nullptr);
    d = Dir(t->Muzzle2, t->BeamEnd2);
    EXPECT_NEAR(d.x, -std::cos(30 * 0.0174533f), 2e-3);
    EXPECT_NEAR(d.y, 0.0f, 2e-3);
    EXPECT_NEAR(d.z, 0.5f, 2e-3);
    // The stored Euler angles are untouched: turning back restores the rest aim.
    t->Yaw = 0;
    t->Pitch = 0;
    t->Update(0, nullptr);
    EXPECT_NEAR(Dir(t->Muzzle1, t->BeamEnd1).y, 1.0f, 1e-4);
}

TEST(TurretAim, MouseRulesRefuseLimitsAndWrapYaw) {
    auto t = MakeTurret();
    t->Aim(0, -1);  // -0.2
    EXPECT_FLOAT_EQ(t->Pitch, -0.2f);
    t->Aim(0, 1);   // would reach 0: refused entirely
    EXPECT_FLOAT_EQ(t->Pitch, -0.2f);
    t->Pitch = -89.9f;
    t->Aim(0, -1);  // would pass -90
    EXPECT_FLOAT_EQ(t->Pitch, -89.9f);
    t->Yaw = 359.9f;
    t->Aim(-2, 0);
    EXPECT_NEAR(t->Yaw, 0.3f, 1e-4);
    t->Yaw = 0.1f;
    t->Aim(1, 0);
    EXPECT_NEAR(t->Yaw, 359.9f, 1e-4);
}

TEST(TurretBeams, TraceStopsAtRisingGroundAndNotOffTheGrid) {
    // 100 x 100 in 10-unit cells: flat up to y = 60, then a steep bank up to 50 at y = 70.
    TLand land;
    BuildGround(land, 10, 100.0f, [](int, int j) { return j >= 7 ? 50.0f : 0.0f; });
    auto t = MakeTurret({50, 50, 0});
    t->Update(0, &land);
    // Sampled once per cell from the muzzle: the sample one cell out finds the bank.
    EXPECT_FLOAT_EQ(t->BeamLength1, 10.0f);
    EXPECT_FLOAT_EQ(t->BeamLength2, 10.0f);

    // Facing away (-y) the ground is flat and the beams leave the grid unblocked.
    t->Yaw = 180;
    t->Update(0, &land);
    EXPECT_FLOAT_EQ(t->BeamLength1, 1000.0f);
    EXPECT_FLOAT_EQ(t->BeamLength2, 1000.0f);

    // A turret whose muzzles lie outside the grid is never blocked, even facing the bank.
    auto outside = MakeTurret({50, -500, 60});
    outside->Update(0, &land);
    EXPECT_FLOAT_EQ(outside->BeamLength1, 1000.0f);
}

TEST(TurretLaser, NearestAircraftUnderBeamTakesDamageAndKillCountsOnce) {
    auto t = MakeTurret();
    FakeAircraft air;
    t->Targets = &air;
    // Along +y from the barrels: a far and a near aircraft on beam 1, one off to the side.
    air.planes = {{{498.95f, 800, 4.8f}, 10, 5}, {{498.95f, 600, 4.8f}, 10, 0.3f}, {{400, 600, 4.8f}, 10, 5}};
    t->Weapon = 2;
    t->LaserOn = 1;
    t->Update(0, nullptr);  // places the beams; no time, no damage
    EXPECT_FLOAT_EQ(air.planes[1].hp, 0.3f);
    t->LaserOn = 1;
    t->Update(10, nullptr);  // power 0.99: two beams, 10 * 0.01 * 0.99 each
    EXPECT_NEAR(air.planes[1].hp, 0.3f - 2 * 0.099f, 1e-5);
    EXPECT_FLOAT_EQ(air.planes[0].hp, 5.0f);
    EXPECT_FLOAT_EQ(air.planes[2].hp, 5.0f);
    EXPECT_EQ(air.planes[1].sound, 1);
    const float d = VecDistance(air.planes[1].pos, {500, 500, 4.8f});
    EXPECT_FLOAT_EQ(t->BeamLength1, d);
    EXPECT_FLOAT_EQ(t->BeamLength2, d);
    EXPECT_EQ(air.kills, 0);

    air.planes[1].sound = 2;  // already played: stays 2
    t->Update(10, nullptr);
    EXPECT_LT(air.planes[1].hp, 0.0f);
    EXPECT_EQ(air.kills, 1);
    EXPECT_EQ(air.planes[1].sound, 2);
    t->Update(10, nullptr);  // already below zero: no second kill
    EXPECT_EQ(air.kills, 1);

    // Laser off: nothing is hit.
    const float hp = air.planes[0].hp;
    air.planes.erase(air.planes.begin() + 1);
    t->LaserOn = 0;
    t->Update(10, nullptr);
    EXPECT_FLOAT_EQ(air.planes[0].hp, hp);
}

TEST(TurretLaser, BlockedBeamDoesNoDamageAndZeroHitPointsAreNoKill) {
    // Rising ground blocks both beams: the aircraft beyond takes nothing.
    TLand land;
    BuildGround(land, 10, 100.0f, [](int, int j) { return j >= 7 ? 50.0f : 0.0f; });
    auto t = MakeTurret({50, 50, 0});
    FakeAircraft air;
    t->Targets = &air;
    air.planes = {{{48.95f, 90, 4.8f}, 10, 1}};
    t->LaserOn = 1;
    t->Update(10, &land);
    EXPECT_FLOAT_EQ(air.planes[0].hp, 1.0f);
    EXPECT_FLOAT_EQ(t->BeamLength1, 10.0f);

    // An aircraft at exactly 0 is not alive: the beam takes it below 0 without counting a kill.
    auto open = MakeTurret();
    open->Targets = &air;
    air.planes = {{{498.95f, 600, 4.8f}, 10, 0.0f}};
    open->LaserOn = 1;
    open->Update(10, nullptr);
    EXPECT_LT(air.planes[0].hp, 0.0f);
    EXPECT_EQ(air.kills, 0);
}

TEST(TurretLaser, PowerDrainsInASecondAndRefillsAtOnce) {
    auto t = MakeTurret();
    t->LaserOn = 1;
    for (int i = 0; i < 50; ++i) t->UpdateLaserPower(20);
    EXPECT_NEAR(t->LaserPower, 0.0f, 1e-5);
    t->UpdateLaserPower(20);
    EXPECT_EQ(t->LaserPower, 0.0f);  // clamped
    t->LaserOn = 0;
    t->UpdateLaserPower(0);  // a frame inside one tick refills nothing
    EXPECT_EQ(t->LaserPower, 0.0f);
    t->UpdateLaserPower(1);
    EXPECT_EQ(t->LaserPower, 1.0f);
}

TEST(TurretWeapons, CannonFiresPairsEvery21MsAndNeedsLeftAlone) {
    auto t = MakeTurret();
    FakeShells shells;
    t->Bullets = &shells;
    t->Update(0, nullptr);
    const WeaponButtons fire{true, false, true};
    t->UpdateCannon(fire, 20);
    EXPECT_TRUE(shells.shots.empty());  // 20 ms is not above 20
    t->UpdateCannon(fire, 1);
    ASSERT_EQ(shells.shots.size(), 2u);
    EXPECT_EQ(t->Shells, 14998);
    EXPECT_EQ(t->CannonTimer, 0u);
    EXPECT_FLOAT_EQ(shells.shots[0].from.x, t->Muzzle1.x);
    EXPECT_FLOAT_EQ(shells.shots[1].toward.x, t->BeamEnd2.x);
    EXPECT_FLOAT_EQ(shells.shots[0].range, 800.0f);  // min(800, 1000)
    EXPECT_FLOAT_EQ(shells.shots[0].speed, 0.7f);
    EXPECT_FLOAT_EQ(shells.shots[0].damage, 0.1f);

    // The right button, or fire not held, keeps it quiet though the timer runs on.
    t->UpdateCannon({true, true, true}, 50);
    t->UpdateCannon({true, false, false}, 50);
    EXPECT_EQ(shells.shots.size(), 2u);
    EXPECT_EQ(t->CannonTimer, 100u);

    // Out of shells: no fire and the timer stands still. Odd counts end at -1.
    t->Shells = 1;
    t->UpdateCannon(fire, 1);
    EXPECT_EQ(t->Shells, -1);
    t->UpdateCannon(fire, 50);
    EXPECT_EQ(t->CannonTimer, 0u);
    EXPECT_EQ(shells.shots.size(), 4u);

    // The bullets move with the turret's update.
    t->Update(16, nullptr);
    EXPECT_EQ(shells.updatedMs, 16u);
}

TEST(TurretWeapons, SoundStopsAndLaserSwitchFollowTheButtons) {
    auto t = MakeTurret();
    // Cannon: the looping sound stops when fire is released or the shells are gone.
    EXPECT_FALSE(t->CannonSoundMustStop({true, false, true}, true));
    EXPECT_TRUE(t->CannonSoundMustStop({false, false, false}, true));
    EXPECT_FALSE(t->CannonSoundMustStop({false, false, false}, false));
    t->Shells = 0;
    EXPECT_TRUE(t->CannonSoundMustStop({true, false, true}, true));

    // Laser switch only for weapon 2; the right button blocks it though fire is held.
    EXPECT_FALSE(t->UpdateLaserSwitch({true, false, true}));
    EXPECT_EQ(t->LaserOn, 0);
    t->SelectWeapon(2);
    EXPECT_TRUE(t->UpdateLaserSwitch({true, true, true}));
    EXPECT_EQ(t->LaserOn, 0);
    EXPECT_FALSE(t->UpdateLaserSwitch({true, false, true}));
    EXPECT_EQ(t->LaserOn, 1);
    t->LaserPower = 0.0f;  // drained: the sound stops though the beam stays switched on
    EXPECT_TRUE(t->UpdateLaserSwitch({true, false, true}));
    EXPECT_EQ(t->LaserOn, 1);
    EXPECT_TRUE(t->UpdateLaserSwitch({false, false, false}));
    EXPECT_EQ(t->LaserOn, 0);

    // Key 1 clears the laser.
    t->UpdateLaserSwitch({true, false, true});
    t->SelectWeapon(1);
    EXPECT_EQ(t->Weapon, 1);
    EXPECT_EQ(t->LaserOn, 0);
}

TEST(TurretSightAndRadar, SightAheadOfBarrelsAndRadarMapsAroundTheTurret) {
    auto t = MakeTurret();
    t->Yaw = 90;
    t->Update(0, nullptr);
    const Vec3 s = t->SightPoint();
    // 200 out along the barrels (towards -x), midway between them.
    EXPECT_NEAR(s.x, 500 - 6.4f - 200, 0.2f);
    EXPECT_NEAR(s.y, 500, 0.2f);
    EXPECT_NEAR(s.z, 4.8f, 1e-3);

    float px = 0, py = 0;
    // Range 200 on a radar of half size 75 at (100, 80): 40 east, 100 north of the turret.
    ASSERT_TRUE(RadarBlip({500, 500, 0}, {540, 600, 300}, 100, 80, 75, 200, px, py));
    EXPECT_FLOAT_EQ(px, 100 + 40 * 0.375f);
    EXPECT_FLOAT_EQ(py, 80 + 100 * 0.375f);
    EXPECT_FALSE(RadarBlip({500, 500, 0}, {700, 500, 0}, 100, 80, 75, 200, px, py));  // at range: out

    // The heading line points up the radar (north) at yaw 0 and turns left with the yaw.
    float hx = 0, hy = 0;
    RadarHeading(100, 80, 75, 0, hx, hy);
    EXPECT_NEAR(hx, 100, 1e-3);
    EXPECT_NEAR(hy, 155, 1e-3);
    RadarHeading(100, 80, 75, 90, hx, hy);
    EXPECT_NEAR(hx, 25, 1e-3);
    EXPECT_NEAR(hy, 80, 1e-3);
}

}  // namespace
}  // namespace tv
