// The aircraft: waves, steering states, firing, terrain, crashes, separation, collisions,
// dying and wreck fragments, and the laser's kill path through the turret link. No GL: the
// models are bare records with a radius, reference vectors and a box.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>

#include "combat/planes.h"
#include "math/random.h"
#include "math/vector_math.h"
#include "platform/clock.h"
#include "shell/game.h"
#include "shell/main_form.h"
#include "turret_fixture.h"
#include "world/particle_file.h"
#include "world/particles.h"
#include "world/terrain.h"

namespace tv {
namespace {

// The generator's rule written out again, to predict what the game draws.
struct Lcg {
    uint32_t seed = 0;
    uint32_t Next(uint32_t n) {
        seed = seed * 134775813u + 1u;
        return static_cast<uint32_t>((static_cast<uint64_t>(seed) * n) >> 32);
    }
};

struct PlanesFixture : ::testing::Test {
    PlanesFixture() {
        for (auto& m : planes.Models) {
            m = std::make_unique<TModel>();
            m->Radius = 10.0f;
            m->VectorA = {-2.0f, 0.0f, 0.0f};  // nose at the position; segment from z - 2 ...
            m->VectorB = {-1.0f, 0.0f, 0.0f};  // ... to z - 5; crash below z - 1
        }
        planes.Target = {500.0f, 500.0f, 50.0f};
        smoke.Active = 1;
        planes.Smoke = &smoke;
        frame.frameMs = 20;
        frame.random = &random;
        frame.clock = &clock;
    }
    // One kind-1 aircraft with no speed, state 1.
    TPlane& Add(Vec3 pos, float hp = 3.0f, int32_t kind = 1) {
        planes.Spawn((kind - 1) * 2, (kind - 1) * 2 + 1, pos.x, pos.y, pos.z, 0, 0, 0, 0.0f, hp, kind);
        return planes.Planes[planes.PlaneCount - 1];
    }

    TPlanes_System planes;
    T_Particles_System smoke;
    GameRandom random;
    StepClock clock;
    PlanesFrame frame;
};

TEST_F(PlanesFixture, StartupAndButtonWavesFollowTheGeneratorInOrder) {
    random.SetSeed(12345);
    planes.SpawnWave(random, true);
    ASSERT_EQ(planes.PlaneCount, kPlaneWaveSize);
    Lcg lcg{12345};
    for (int i = 0; i < 50; ++i) {
        const int32_t kind = i < 15 ? 1 : i < 30 ? 2 : i < 40 ? 3 : 4;
        const TPlane& p = planes.Planes[i];
        SCOPED_TRACE(i);
        EXPECT_EQ(p.Kind, kind);
        EXPECT_EQ(p.ModelIndex, (kind - 1) * 2);
        EXPECT_EQ(p.WreckModelIndex, (kind - 1) * 2 + 1);
        EXPECT_EQ(p.Pos.x, float(lcg.Next(600) + 100));
        EXPECT_EQ(p.Pos.y, float(lcg.Next(600) + 100));
        EXPECT_EQ(p.Pos.z, float(lcg.Next(600) + 40));
        EXPECT_EQ(p.Heading, float(lcg.Next(180)));
        const float speed = float(0.15 + lcg.Next(kind == 4 ? 100 : 10) / 1000.0);
        EXPECT_FLOAT_EQ(p.Speed, speed);
        EXPECT_FLOAT_EQ(p.MaxSpeed, speed);
        EXPECT_EQ(p.HitPoints, kind == 4 ? 10.0f : 3.0f);
        EXPECT_EQ(p.FlameSet, kind == 4 ? 1 : 0);
        EXPECT_EQ(p.ExplosionSize, kind == 4 ? 130.0f : 45.0f);
        EXPECT_EQ(p.FlameAnchor.z, kind == 4 ? -18.0f : -8.0f);
        EXPECT_EQ(p.State, kPlaneAttack);
        EXPECT_EQ(p.Waypoint.z, 50.0f);
    }
    EXPECT_EQ(random.Seed(), lcg.seed);

    // The button's wave draws every speed from Random(100).
    planes.SpawnWave(random, false);
    ASSERT_EQ(planes.PlaneCount, 100);
    for (int i = 50; i < 100; ++i) {
        lcg.Next(600), lcg.Next(600), lcg.Next(600), lcg.Next(180);
        EXPECT_FLOAT_EQ(planes.Planes[i].Speed, float(0.15 + lcg.Next(100) / 1000.0)) << i;
    }
}

TEST(PlanesButton, EachPressAddsFiftyFromTheGamesGenerator) {
    Game game;
    Button4Click(game);  // before the aircraft system exists: nothing
    game.Planes = std::make_unique<TPlanes_System>();
    Button4Click(game);
    Button4Click(game);
    ASSERT_EQ(game.Planes->PlaneCount, 100);
    int bosses = 0;
    for (int32_t i = 0; i < 100; ++i) bosses += game.Planes->Planes[i].HitPoints == 10.0f;
    EXPECT_EQ(bosses, 20);
    EXPECT_NE(game.random.Seed(), 0u);
}

TEST_F(PlanesFixture, SpawnRefusesUnknownKindsAndModelsOutsideTheTable) {
    planes.Spawn(0, 1, 0, 0, 0, 0, 0, 0, 0.1f, 3, 5);
    planes.Spawn(0, 1, 0, 0, 0, 0, 0, 0, 0.1f, 3, 0);
    planes.Spawn(8, 1, 0, 0, 0, 0, 0, 0, 0.1f, 3, 1);
    planes.Spawn(0, -1, 0, 0, 0, 0, 0, 0, 0.1f, 3, 1);
    EXPECT_EQ(planes.PlaneCount, 0);
    // An empty list updates and passes without effect.
    planes.Update(frame);
    EXPECT_EQ(planes.PlaneCount, 0);
    EXPECT_EQ(random.Seed(), 0u);
}

TEST_F(PlanesFixture, BreakAwayOnlyInsideTwentyUnits) {
    TPlane& at20 = Add({520.0f, 500.0f, 50.0f});
    planes.UpdatePlane(0, frame);
    EXPECT_EQ(at20.State, kPlaneAttack);
    EXPECT_EQ(random.Seed(), 0u);

    TPlane& p = Add({510.0f, 500.0f, 50.0f});
    Lcg lcg;
    planes.UpdatePlane(1, frame);
    EXPECT_EQ(p.State, kPlaneBreakAway);
    EXPECT_EQ(p.PrevState, kPlaneAttack);
    const float angle = float(lcg.Next(360)) * 3.14159265f / 180.0f;
    EXPECT_NEAR(p.Waypoint.x, 400.0f * std::cos(angle), 1e-3);
    EXPECT_NEAR(p.Waypoint.y, 400.0f * std::sin(angle), 1e-3);
    EXPECT_EQ(p.Waypoint.z, float(lcg.Next(200) + 50));
}

TEST_F(PlanesFixture, TurnBackBeyondFourHundredThenAttackWhenFacingTheWaypoint) {
    TPlane& at400 = Add({900.0f, 500.0f, 50.0f});
    planes.UpdatePlane(0, frame);
    EXPECT_EQ(at400.State, kPlaneAttack);

    // Beyond 400, facing away from a waypoint straight behind it (+x of it is the target).
    TPlane& p = Add({1000.0f, 500.0f, 50.0f});
    p.Heading = 170.0f;
    p.State = kPlaneBreakAway;
    planes.UpdatePlane(1, frame);
    EXPECT_EQ(p.State, kPlaneTurnBack);
    EXPECT_EQ(p.PrevState, kPlaneBreakAway);
    EXPECT_FLOAT_EQ(p.Heading, 170.1f);  // steered towards 180 by 0.005 per ms
    // Next frame still beyond 400: the previous state becomes 3 and the rule stops re-entering.
    for (int n = 0; n < 200 && p.State == kPlaneTurnBack; ++n) planes.UpdatePlane(1, frame);
    EXPECT_EQ(p.State, kPlaneAttack);
    EXPECT_EQ(p.PrevState, kPlaneTurnBack);
    EXPECT_GT(p.Heading, 179.0f);
    EXPECT_LT(p.Heading, 181.0f);
    EXPECT_GE(p.Waypoint.x, 500.0f);
    EXPECT_LT(p.Waypoint.x, 505.0f);
    // Still beyond 400 with PrevState 3: it stays on its attack run.
    planes.UpdatePlane(1, frame);
    EXPECT_EQ(p.State, kPlaneAttack);
}

TEST_F(PlanesFixture, BeyondTheFarPlaneTheHeadingSnapsToTheTarget) {
    TPlane& p = Add({500.0f, 1600.0f, 50.0f});
    p.Heading = 10.0f;
    p.State = kPlaneTurnBack;
    planes.UpdatePlane(0, frame);
    EXPECT_EQ(p.State, kPlaneAttack);
    EXPECT_FLOAT_EQ(p.Heading, 270.0f);  // straight down -y
    EXPECT_GE(p.PitchAngle, 45.0f);
    EXPECT_LE(p.PitchAngle, 100.0f);
}

TEST_F(PlanesFixture, FlyingAircraftHoldATenUnitBandAboveTheirWaypointAndFlyAlongTheirHeading) {
    // 100 units from the target on an attack run: no state change, no shot, no steering of the heading.
    for (float z : {40.0f, 55.0f, 65.0f}) {
        TPlane& p = Add({600.0f, 500.0f, z});
        p.Heading = 90.0f;
        p.Speed = p.MaxSpeed = 0.1f;
    }
    for (int32_t i = 0; i < 3; ++i) planes.UpdatePlane(i, frame);
    EXPECT_FLOAT_EQ(planes.Planes[0].Pos.z, 40.2f);  // below the waypoint: climbs 0.01 per ms
    EXPECT_FLOAT_EQ(planes.Planes[1].Pos.z, 55.0f);  // inside the band: holds
    EXPECT_FLOAT_EQ(planes.Planes[2].Pos.z, 64.8f);  // more than 10 above: sinks
    for (const TPlane& p : planes.Planes) {
        EXPECT_NEAR(p.Pos.x, 600.0f, 1e-3);
        EXPECT_FLOAT_EQ(p.Pos.y, 502.0f);  // 0.1 units per ms along +y
        EXPECT_EQ(p.State, kPlaneAttack);
    }
}

TEST_F(PlanesFixture, FiresInRangeAndReloadsInMoreThanTwoHundredMs) {
    auto turret = test::MakeTurret({500.0f, 500.0f, 0.0f});
    frame.turret = turret.get();
    TPlane& p = Add({620.0f, 500.0f, 50.0f});
    p.Reload = 1.1f;
    planes.UpdatePlane(0, frame);
    EXPECT_EQ(planes.Bullets.Count, 1);
    EXPECT_NEAR(p.Reload, 0.0f, 1e-5);  // gained 0.1, capped at 1.1, all spent on the shot
    const TBullet& shot = planes.Bullets.Bullets[0];
    EXPECT_FLOAT_EQ(shot.Dest.x, 500.0f);
    EXPECT_FLOAT_EQ(shot.Damage, 0.01f);
    // 180 ms later no second shot; by 240 ms there is one.
    int frames = 0;
    while (planes.Bullets.Count == 1 && frames < 12) {
        planes.UpdatePlane(0, frame);
        ++frames;
    }
    EXPECT_GE(frames * 20, 200);
    EXPECT_LE(frames * 20, 240);
    EXPECT_EQ(planes.Bullets.Count, 2);

    // Out of range (at 160) or not on an attack run: no shot.
    TPlane& far = Add({660.0f, 500.0f, 50.0f});
    far.Reload = 1.1f;
    planes.UpdatePlane(1, frame);
    EXPECT_EQ(planes.Bullets.Count, 2);
}

// A flat N x N terrain at height h covering [0, 1000) on both axes, in client-array mode.
void FlatLand(TLand& land, float h) {
    land.RenderMode = 2;
    const int n = 10;
    land.BuildMesh(n, 1000.0f, std::vector<float>((n + 1) * (n + 1), h), std::vector<float>(n * n * 12, 0.0f));
}

TEST_F(PlanesFixture, LowAircraftAreLiftedAndThoseBelowTheGroundCrash) {
    TLand land;
    FlatLand(land, 50.0f);
    TPlane& lifted = Add({300.0f, 300.0f, 53.0f});  // z - 5 below the ground, z - 2 above
    Add({100.0f, 100.0f, 56.0f});                   // clear of it
    planes.AvoidTerrain(land);
    EXPECT_FLOAT_EQ(planes.Planes[0].Pos.z, 53.25f);
    EXPECT_FLOAT_EQ(planes.Planes[1].Pos.z, 56.0f);
    (void)lifted;

    // The nose 0.5 below its crash line: removed, the last aircraft moves into its slot.
    planes.Planes[0].Pos.z = 50.5f;
    Add({700.0f, 700.0f, 80.0f});
    Add({800.0f, 800.0f, -0.5f});  // below zero, off the ground check's reach
    planes.RemoveCrashed(&land, frame);
    // Slot 0 crashed and took the last record, which also crashed but waits for next frame.
    ASSERT_EQ(planes.PlaneCount, 3);
    EXPECT_FLOAT_EQ(planes.Planes[0].Pos.x, 800.0f);
    EXPECT_EQ(smoke.Count, 71);
    planes.RemoveCrashed(&land, frame);
    ASSERT_EQ(planes.PlaneCount, 2);
    EXPECT_FLOAT_EQ(planes.Planes[0].Pos.x, 700.0f);
    EXPECT_FLOAT_EQ(planes.Planes[1].Pos.x, 100.0f);
    EXPECT_EQ(planes.Kills, 0);  // crashes are not kills
}

TEST_F(PlanesFixture, SeparationAndCollisionsAtTheirDistances) {
    Add({100.0f, 100.0f, 100.0f});
    Add({109.0f, 100.0f, 100.0f});  // 9 apart: radius 10 each collides below 10
    Add({300.0f, 300.0f, 100.0f});
    Add({310.0f, 300.0f, 100.0f});  // exactly 10: no collision
    planes.Planes[1].SoundFlag = 2;
    planes.Collide();
    EXPECT_FLOAT_EQ(planes.Planes[0].HitPoints, -97.0f);
    EXPECT_FLOAT_EQ(planes.Planes[1].HitPoints, -97.0f);
    EXPECT_EQ(planes.Planes[0].SoundFlag, 1);
    EXPECT_EQ(planes.Planes[1].SoundFlag, 2);
    EXPECT_FLOAT_EQ(planes.Planes[2].HitPoints, 3.0f);
    EXPECT_FLOAT_EQ(planes.Planes[3].HitPoints, 3.0f);

    // Within 3r + 3r = 60 of a later aircraft: only the earlier one moves, once.
    planes.Separate();
    EXPECT_FLOAT_EQ(planes.Planes[0].Pos.y, 100.5f);
    EXPECT_FLOAT_EQ(planes.Planes[1].Pos.y, 100.0f);
    EXPECT_FLOAT_EQ(planes.Planes[2].Pos.y, 300.5f);
    EXPECT_FLOAT_EQ(planes.Planes[3].Pos.y, 300.0f);
}

TEST_F(PlanesFixture, DyingAircraftSwapsToItsWreckOnceFallsExplodesAndIsRemoved) {
    Add({100.0f, 100.0f, 30.0f}, 3.0f, 1);
    Add({600.0f, 600.0f, 300.0f}, 10.0f, 4);
    TPlane& p = planes.Planes[0];
    p.HitPoints = -0.5f;
    planes.Update(frame);
    EXPECT_EQ(p.ModelIndex, 1);
    EXPECT_EQ(planes.Fragments.Count, 3);  // kind 1 leaves three pieces
    // Still steered (state 3 beyond 400 units): it climbs towards its waypoint while falling.
    EXPECT_FLOAT_EQ(p.Pos.z, 30.0f + 0.2f - 1.0f);
    planes.Update(frame);
    EXPECT_EQ(planes.Fragments.Count, 3);  // once only

    // The drawing's part: state 4 and the sprite frame counts down over 1.2 s.
    planes.AdvanceDying(0, frame);
    EXPECT_EQ(p.State, kPlaneDying);
    EXPECT_NEAR(p.ExplosionFrame, 20.0f - 20.0f / 60.0f, 1e-5);
    for (int n = 0; n < 58; ++n) planes.AdvanceDying(0, frame);
    EXPECT_GT(p.ExplosionFrame, 0.0f);  // 59 frames: 1180 ms
    planes.AdvanceDying(0, frame);
    EXPECT_LE(p.ExplosionFrame, 1e-4f);
    planes.AdvanceDying(1, frame);  // alive: untouched
    EXPECT_EQ(planes.Planes[1].ExplosionFrame, 20.0f);

    // The drawing left it in state 4, which no distance rule changes now (PrevState is 3), so
    // it is no longer steered: 1 unit down per 20 ms frame from 28.4, gone after 29 frames.
    int frames = 0;
    while (planes.PlaneCount == 2 && frames < 60) {
        planes.Update(frame);
        ++frames;
    }
    EXPECT_EQ(planes.PlaneCount, 1);
    EXPECT_EQ(frames, 29);
    EXPECT_EQ(planes.Planes[0].Kind, 4);  // the boss took the hole
}

// The smoke budget at 250 frames a second with the game's own smoke description: ten aircraft
// shot down together, high enough to fall for longer than a puff lives, lose no
// puff; twenty more waves all dying at once fill the budget and never pass it.
TEST_F(PlanesFixture, SmokeBudgetKeepsEveryPuffOfAWaveAndBoundsACrowd) {
    const ParticleFile kpr = ReadParticlesFile(std::string(TERRAVIK_GAME_DIR) + "/k_resurs/particles/clouds2.kpr");
    smoke.Colour = kpr.Colour;
    smoke.ColourDelta = kpr.ColourDelta;
    smoke.Speed = kpr.Speed;
    smoke.SizeDelta = kpr.SizeDelta;
    smoke.Budget = kSmokeParticleBudget;
    frame.frameMs = 4;
    int32_t peak = 0;
    size_t largestBuffer = 0;
    auto run = [&](int frames) {
        for (int n = 0; n < frames; ++n) {
            planes.Update(frame);
            for (int32_t i = 0; i < planes.PlaneCount; ++i) planes.AdvanceDying(i, frame);  // the drawing's part
            UpdateParticles(smoke, 2, frame.frameMs);
            UpdateFragments(planes.Fragments, frame.frameMs, &smoke, random, clock);
            peak = std::max(peak, smoke.Count);
            largestBuffer = std::max(largestBuffer, smoke.Buffer.size());
        }
    };
    for (int i = 0; i < 10; ++i) Add({100.0f * i, 0.0f, 400.0f}, -1.0f, 1 + i % 4);  // apart: no collisions
    run(3000);  // 12 s: each falls for about 8
    EXPECT_EQ(smoke.Replaced, 0u);
    EXPECT_GT(peak, kSmokeParticleBudget * 9 / 10);  // the ten came close to the budget

    for (int w = 0; w < 20; ++w) planes.SpawnWave(random, false);
    for (int32_t i = 0; i < planes.PlaneCount; ++i) planes.Planes[i].HitPoints = -1.0f;
    run(1000);
    EXPECT_EQ(peak, kSmokeParticleBudget);
    EXPECT_GT(smoke.Replaced, 0u);
    EXPECT_LE(largestBuffer, size_t(kSmokeParticleBudget + kParticleGrowStep));
}

TEST_F(PlanesFixture, LaserKillThroughTheTurretLinkCountsOnceAndWrecksTheAircraft) {
    auto turret = test::MakeTurret({500.0f, 500.0f, 0.0f});
    turret->Targets = &planes;
    Add({498.95f, 600.0f, 4.8f}, 0.1f);
    Add({400.0f, 600.0f, 4.8f}, 3.0f);  // off the beam
    turret->Weapon = 2;
    turret->LaserOn = 1;
    turret->Update(0, nullptr);
    turret->LaserOn = 1;
    turret->Update(10, nullptr);
    EXPECT_LT(planes.Planes[0].HitPoints, 0.0f);
    EXPECT_EQ(planes.Kills, 1);
    EXPECT_EQ(planes.Planes[0].SoundFlag, 1);
    EXPECT_FLOAT_EQ(planes.Planes[1].HitPoints, 3.0f);
    planes.Update(frame);
    EXPECT_EQ(planes.Planes[0].SoundFlag, 2);  // the explosion played once
    EXPECT_EQ(planes.Planes[0].ModelIndex, 1);
    EXPECT_EQ(planes.Kills, 1);
}

TEST(PlaneFragments, PiecesPerKindDriftTowardsLargerXYAndLeaveBelowZero) {
    T_Fragments_System_Planes fs;
    BuildWreckTable(fs);
    GameRandom random;
    StepClock clock;
    for (int32_t kind : {1, 2, 3, 4, 0, 5}) SpawnFragments(fs, kind, {100, 100, 10}, 0.2f, random);
    ASSERT_EQ(fs.Count, 3 + 3 + 2 + 2);
    EXPECT_EQ(fs.Capacity, kFragmentGrowStep);
    const int32_t pieces[10] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
    for (int32_t i = 0; i < fs.Count; ++i) {
        const TFragment& f = fs.Fragments[i];
        EXPECT_EQ(f.PieceModel, pieces[i]);
        EXPECT_GE(f.Pos.x, 100.0f);
        EXPECT_LT(f.Pos.x, 105.0f);
        if (i >= 3) {
            EXPECT_EQ(f.Pos.y, 100.0f);  // only kind 1 scatters in y
        }
        EXPECT_GE(f.Dest.x, 100.0f);
        EXPECT_LT(f.Dest.x, 200.0f);
        EXPECT_EQ(f.Dest.z, -10.0f);
        EXPECT_EQ(f.Speed, 0.2f);
    }
    // Kind 1's draws: x, y jitter, then the destination's x and y, per piece.
    Lcg lcg;
    EXPECT_EQ(fs.Fragments[0].Pos.x, 100.0f + lcg.Next(5));
    EXPECT_EQ(fs.Fragments[0].Pos.y, 100.0f + lcg.Next(5));
    EXPECT_EQ(fs.Fragments[0].Dest.x, 100.0f + lcg.Next(100));
    EXPECT_EQ(fs.Fragments[0].Dest.y, 100.0f + lcg.Next(100));

    T_Particles_System smoke;
    smoke.Active = 1;
    const TFragment before = fs.Fragments[0];
    UpdateFragments(fs, 100, &smoke, random, clock);
    EXPECT_EQ(smoke.Count, 10);
    EXPECT_FLOAT_EQ(fs.Fragments[0].Pos.z, 5.0f);  // falls 0.05 per ms whatever its direction
    Vec3 dir;
    VecNormalize({before.Dest.x - before.Pos.x, before.Dest.y - before.Pos.y, before.Dest.z - before.Pos.z}, dir);
    EXPECT_NEAR(fs.Fragments[0].Pos.x, before.Pos.x + dir.x * 0.2f * 100.0f, 1e-3);
    // 200 ms more: all below zero. Each removal's filler (not yet moved) waits for the next frame.
    UpdateFragments(fs, 200, &smoke, random, clock);
    EXPECT_GT(fs.Count, 0);
    EXPECT_LT(fs.Count, 10);
    for (int n = 0; n < 10 && fs.Count > 0; ++n) UpdateFragments(fs, 200, &smoke, random, clock);
    EXPECT_EQ(fs.Count, 0);
    EXPECT_EQ(fs.Capacity, kFragmentGrowStep);

    // The hole takes the last live fragment whole, unmoved this frame.
    T_Fragments_System_Planes three;
    BuildWreckTable(three);
    SpawnFragments(three, 1, {100, 100, 10}, 0.2f, random);
    three.Fragments[0].Pos.z = 1.0f;
    three.Fragments[2].Pos.z = 200.0f;
    UpdateFragments(three, 100, nullptr, random, clock);
    ASSERT_EQ(three.Count, 2);
    EXPECT_EQ(three.Fragments[0].PieceModel, 2);
    EXPECT_EQ(three.Fragments[0].Pos.z, 200.0f);
    EXPECT_EQ(three.Fragments[1].PieceModel, 1);
    EXPECT_FLOAT_EQ(three.Fragments[1].Pos.z, 5.0f);
}

// The frame's own step fades the smoke and lets the wreck's pieces fall: a few frames after a
// wreck, its puffs and pieces are gone.
TEST_F(PlanesFixture, StepFadesTheSmokeAndDropsTheFragments) {
    smoke.Colour = {0.5f, 0.5f, 0.5f, 1.0f};
    smoke.ColourDelta = {-1.0f, -1.0f, -1.0f, -1.0f};
    frame.frameMs = 100;
    for (int k = 0; k < 5; ++k) EmitParticle(smoke, random, clock);
    SpawnFragments(planes.Fragments, 1, {100.0f, 100.0f, 10.0f}, 0.2f, random);
    planes.Step(frame);
    EXPECT_FLOAT_EQ(smoke.Buffer[0].r, 0.4f);
    EXPECT_EQ(smoke.Count, 5 + 3);  // a puff behind each falling piece
    EXPECT_FLOAT_EQ(planes.Fragments.Fragments[0].Pos.z, 5.0f);
    for (int n = 0; n < 12; ++n) planes.Step(frame);
    EXPECT_EQ(planes.Fragments.Count, 0);
    EXPECT_EQ(smoke.Count, 0);
}

}  // namespace
}  // namespace tv
