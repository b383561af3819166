// The grid-based pair passes (separation, collisions, shell hits) against the all-pairs loops
// they replaced, kept here as the reference: two identical crowds run side by side for
// hundreds of frames, one through each, and must stay identical to the last bit.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>
#include <memory>
#include <vector>

#include "combat/bullets.h"
#include "combat/planes.h"
#include "math/frustum.h"
#include "math/random.h"
#include "math/rotations.h"
#include "math/vector_math.h"
#include "platform/clock.h"

namespace tv {
namespace {

void ReferenceSeparate(TPlanes_System& s) {
    for (int32_t i = 0; i < s.PlaneCount; ++i) {
        const float ri = s.ModelRadius(i);
        for (int32_t j = i + 1; j < s.PlaneCount; ++j) {
            if (VecDistance(s.Planes[i].Pos, s.Planes[j].Pos) < 3.0f * ri + 3.0f * s.ModelRadius(j)) {
                s.Planes[i].Pos.y += 0.5f;
                break;
            }
        }
    }
}

void ReferenceCollide(TPlanes_System& s) {
    for (int32_t i = 0; i < s.PlaneCount; ++i)
        for (int32_t j = i + 1; j < s.PlaneCount; ++j)
            if (VecDistance(s.Planes[i].Pos, s.Planes[j].Pos) < s.ModelRadius(i) / 2.0f + s.ModelRadius(j) / 2.0f)
                for (TPlane* p : {&s.Planes[i], &s.Planes[j]}) {
                    p->HitPoints -= 100.0f;
                    if (p->SoundFlag != 2) p->SoundFlag = 1;
                }
}

void ReferenceHits(T_Bullets_System_Turel& pool, TurretTargets& targets) {
    for (int32_t p = 0; p < targets.Count(); ++p) {
        const Vec3 at = targets.Position(p);
        const float box = 2.0f * targets.ModelRadius(p);
        for (int32_t s = 0; s < pool.Count; ++s) {
            TBullet& b = pool.Bullets[static_cast<size_t>(s)];
            if (b.Exploding != 0) continue;
            if (std::fabs(at.x - b.Pos.x) < box && std::fabs(at.y - b.Pos.y) < box &&
                std::fabs(at.z - b.Pos.z) < box) {
                b.Exploding = 1;
                b.Frame = 0.0f;
                targets.HitPoints(p) -= b.Damage;
                b.Dest = b.Pos;
                uint8_t& sound = targets.ExplosionSound(p);
                if (sound != 2) sound = 1;
            }
        }
    }
}

// Radii differ between each model and its wreck, so dying aircraft change their reach.
constexpr float kRadii[kPlaneModelCount] = {8.0f, 3.0f, 6.0f, 2.5f, 5.0f, 1.5f, 12.0f, 4.0f};

struct Crowd {
    TPlanes_System planes;
    T_Bullets_System_Turel shells;
    GameRandom random;
    StepClock clock;

    Crowd() {
        for (int32_t m = 0; m < kPlaneModelCount; ++m) {
            planes.Models[m] = std::make_unique<TModel>();
            planes.Models[m]->Radius = kRadii[m];
        }
        planes.Target = {0.0f, 0.0f, 300.0f};
        shells.Init();
    }
};

enum class Layout { Dense, Sparse, Wrecks, AtContact };

// Adds `n` aircraft in a cube of side `spread` around `centre`, drawn from `gen`.
void Populate(Crowd& c, GameRandom& gen, int n, float spread, const Vec3& centre, bool wrecks) {
    for (int k = 0; k < n; ++k) {
        const int32_t kind = static_cast<int32_t>(gen.Random(4)) + 1;
        const float x = centre.x + static_cast<float>(gen.RandomFraction() - 0.5) * spread;
        const float y = centre.y + static_cast<float>(gen.RandomFraction() - 0.5) * spread;
        const float z = centre.z + static_cast<float>(gen.RandomFraction() - 0.5) * spread;
        const float hp = wrecks && gen.Random(3) == 0 ? -1.0f : 1000.0f;
        c.planes.Spawn((kind - 1) * 2, (kind - 1) * 2 + 1, x, y, z, 0.0f, 60.0f, float(gen.Random(360)),
                       0.15f + float(gen.Random(100)) / 1000.0f, hp, kind);
    }
}

// Pairs exactly at, and one float step inside, their separation and collision reach: the
// pair apart along x from x = 0, where the distance is the offset to the last bit, and the
// pairs 100 apart along y, beyond any reach.
void PopulateAtContact(Crowd& c, GameRandom& gen, int pairs) {
    for (int k = 0; k < pairs; ++k) {
        const int32_t ki = static_cast<int32_t>(gen.Random(4)) + 1, kj = static_cast<int32_t>(gen.Random(4)) + 1;
        const float ri = kRadii[(ki - 1) * 2], rj = kRadii[(kj - 1) * 2];
        const bool separation = gen.Random(2) == 0;
        float reach = separation ? 3.0f * ri + 3.0f * rj : ri / 2.0f + rj / 2.0f;
        if (gen.Random(2) == 0) reach = std::nextafter(reach, 0.0f);
        const float y = 100.0f * static_cast<float>(static_cast<int>(gen.Random(120)) - 60);
        c.planes.Spawn((ki - 1) * 2, (ki - 1) * 2 + 1, 0.0f, y, 300.0f, 0.0f, 60.0f, 0.0f, 0.0f, 1000.0f, ki);
        c.planes.Spawn((kj - 1) * 2, (kj - 1) * 2 + 1, reach, y, 300.0f, 0.0f, 60.0f, 0.0f, 0.0f, 1000.0f, kj);
    }
}

// The crowd at the start (`refill` false) or the smaller one added now and then.
void Fill(Crowd& c, Layout layout, uint32_t seed, bool refill) {
    GameRandom gen;
    gen.Reseed(seed);
    const int n = refill ? 30 : 250;
    switch (layout) {
        case Layout::Dense: Populate(c, gen, n, 120.0f, {0, 0, 300}, false); break;
        case Layout::Sparse: Populate(c, gen, n, 3000.0f, {0, 0, 600}, false); break;
        case Layout::Wrecks: Populate(c, gen, n, 300.0f, {50, -50, 400}, true); break;
        case Layout::AtContact: PopulateAtContact(c, gen, n / 2); break;
    }
}

// Shells from random points in the crowd's space towards random aims, the same in both crowds.
void FireShells(Crowd& c, GameRandom& gen, float spread, const Vec3& centre) {
    for (int k = 0; k < 6; ++k) {
        auto pick = [&] {
            return Vec3{centre.x + float(gen.RandomFraction() - 0.5) * spread,
                        centre.y + float(gen.RandomFraction() - 0.5) * spread,
                        centre.z + float(gen.RandomFraction() - 0.5) * spread};
        };
        const Vec3 from = pick(), aim = pick();
        c.shells.FireShell(from, aim, 200.0f, 0.5f, 0.25f + float(gen.Random(4)), 0);
    }
}

struct PassCounts {
    int separations = 0, collisions = 0, hits = 0;
};

// One frame of both crowds' passes; counts what the pair passes did to `counts`.
void Step(Crowd& c, bool reference, PassCounts& counts) {
    PlanesFrame frame;
    frame.frameMs = 16;
    frame.random = &c.random;
    frame.clock = &c.clock;
    for (int32_t i = 0; i < c.planes.PlaneCount; ++i) c.planes.UpdatePlane(i, frame);
    c.planes.RemoveCrashed(nullptr, frame);
    const std::vector<TPlane> before(c.planes.Planes.begin(), c.planes.Planes.begin() + c.planes.PlaneCount);
    if (reference) {
        ReferenceSeparate(c.planes);
        ReferenceCollide(c.planes);
    } else {
        c.planes.Separate();
        c.planes.Collide();
    }
    c.shells.UpdateShells(16, nullptr);  // moves only: the hits are compared below
    if (reference)
        ReferenceHits(c.shells, c.planes);
    else
        c.shells.HitTargets(c.planes);
    for (size_t i = 0; i < before.size(); ++i) {
        const float lost = before[i].HitPoints - c.planes.Planes[i].HitPoints;
        counts.separations += before[i].Pos.y != c.planes.Planes[i].Pos.y;
        counts.collisions += lost >= 100.0f;
        counts.hits += lost != 0.0f && std::fmod(lost, 100.0f) != 0.0f;
    }
}

bool Same(float a, float b) { return std::bit_cast<uint32_t>(a) == std::bit_cast<uint32_t>(b); }
bool Same(const Vec3& a, const Vec3& b) { return Same(a.x, b.x) && Same(a.y, b.y) && Same(a.z, b.z); }

::testing::AssertionResult Identical(const Crowd& a, const Crowd& b) {
    if (a.planes.PlaneCount != b.planes.PlaneCount) return ::testing::AssertionFailure() << "aircraft counts differ";
    for (int32_t i = 0; i < a.planes.PlaneCount; ++i) {
        const TPlane &p = a.planes.Planes[i], &q = b.planes.Planes[i];
        if (!Same(p.Pos, q.Pos) || !Same(p.Waypoint, q.Waypoint) || !Same(p.HitPoints, q.HitPoints) ||
            !Same(p.Heading, q.Heading) || !Same(p.PitchAngle, q.PitchAngle) || !Same(p.Speed, q.Speed) ||
            !Same(p.Reload, q.Reload) || p.SoundFlag != q.SoundFlag || p.State != q.State ||
            p.PrevState != q.PrevState || p.ModelIndex != q.ModelIndex)
            return ::testing::AssertionFailure() << "aircraft " << i << " differs";
    }
    if (a.shells.Count != b.shells.Count) return ::testing::AssertionFailure() << "shell counts differ";
    for (int32_t s = 0; s < a.shells.Count; ++s) {
        const TBullet &p = a.shells.Bullets[s], &q = b.shells.Bullets[s];
        if (!Same(p.Pos, q.Pos) || !Same(p.Dest, q.Dest) || !Same(p.Frame, q.Frame) || p.Exploding != q.Exploding)
            return ::testing::AssertionFailure() << "shell " << s << " differs";
    }
    return ::testing::AssertionSuccess();
}

class BroadPhaseIdentity : public ::testing::TestWithParam<Layout> {};

TEST_P(BroadPhaseIdentity, GridPassesMatchAllPairsBitForBitOverHundredsOfFrames) {
    const Layout layout = GetParam();
    const float spread = layout == Layout::Sparse ? 3000.0f : layout == Layout::Dense ? 120.0f : 300.0f;
    const Vec3 centre{0.0f, 0.0f, 300.0f};
    Crowd reference, grid;
    for (Crowd* c : {&reference, &grid}) Fill(*c, layout, 1234u + static_cast<uint32_t>(layout), false);

    GameRandom refShots, gridShots;
    PassCounts refCounts, gridCounts;
    for (int frame = 0; frame < 240; ++frame) {
        FireShells(reference, refShots, spread, centre);
        FireShells(grid, gridShots, spread, centre);
        // Fresh crowds now and then, so the passes keep meeting contacts after the first die.
        if (frame % 40 == 39)
            for (Crowd* c : {&reference, &grid}) Fill(*c, layout, 99u + static_cast<uint32_t>(frame), true);
        Step(reference, true, refCounts);
        Step(grid, false, gridCounts);
        ASSERT_TRUE(Identical(reference, grid)) << "frame " << frame;
    }
    // The run must have exercised what it compares.
    EXPECT_GT(gridCounts.separations, 0);
    EXPECT_GT(gridCounts.collisions, 0);
    if (layout != Layout::AtContact) {
        EXPECT_GT(gridCounts.hits, 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Crowds, BroadPhaseIdentity,
                         ::testing::Values(Layout::Dense, Layout::Sparse, Layout::Wrecks, Layout::AtContact));

// Values no real crowd has but a bad file or a runaway aircraft could: NaN and infinite
// positions, coordinates far beyond the grid's range, and radii that are NaN, infinite, zero
// or negative. The grid must neither lose nor invent a pair.
TEST(BroadPhaseIdentity, OddPositionsAndRadiiAgreeWithAllPairs) {
    const float inf = std::numeric_limits<float>::infinity(), nan = std::numeric_limits<float>::quiet_NaN();
    const float radiusSets[][kPlaneModelCount] = {
        {8.0f, nan, 6.0f, 0.0f, -5.0f, 1.5f, 12.0f, 4.0f},
        {8.0f, 3.0f, inf, 2.5f, 5.0f, 1.5f, 12.0f, 4.0f},
        {0.0f, 0.0f, -1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f},
    };
    const Vec3 odd[] = {{nan, 0, 0},     {inf, 0, 0},     {-inf, 5, 5},    {1e30f, 1e30f, 1e30f},
                        {1e30f, 1e30f, 1e30f}, {-3e38f, 0, 0}, {1e9f, 0, 0},   {1e9f + 64.0f, 0, 0},
                        {0, 0, 0},       {4.0f, 0, 0},    {0, 0, 30.0f},   {0, 0, 30.0f}};
    for (const auto& radii : radiusSets) {
        Crowd reference, grid;
        for (Crowd* c : {&reference, &grid}) {
            for (int32_t m = 0; m < kPlaneModelCount; ++m) c->planes.Models[m]->Radius = radii[m];
            int32_t n = 0;
            for (const Vec3& p : odd) {
                const int32_t kind = n++ % 4 + 1;
                c->planes.Spawn((kind - 1) * 2 + (n % 2), (kind - 1) * 2 + 1, p.x, p.y, p.z, 0, 60, 0, 0, 5.0f, kind);
                c->shells.FireShell({p.x + 1.0f, p.y, p.z}, {p.x + 2.0f, p.y, p.z}, 50.0f, 0.0f, 1.0f, 0);
            }
        }
        ReferenceSeparate(reference.planes);
        ReferenceCollide(reference.planes);
        ReferenceHits(reference.shells, reference.planes);
        grid.planes.Separate();
        grid.planes.Collide();
        grid.shells.HitTargets(grid.planes);
        EXPECT_TRUE(Identical(reference, grid));
    }
}

// The squared-distance shortcut agrees with the distance itself right at the boundary, where
// the float rounding of the two could part.
TEST(BroadPhaseIdentity, CloserThanAgreesWithTheDistanceAtTheBoundary) {
    GameRandom gen;
    for (int k = 0; k < 20000; ++k) {
        const Vec3 a{float(gen.RandomFraction() * 2000.0 - 1000.0), float(gen.RandomFraction() * 2000.0 - 1000.0),
                     float(gen.RandomFraction() * 2000.0 - 1000.0)};
        const Vec3 b{a.x + float(gen.RandomFraction() * 60.0 - 30.0), a.y + float(gen.RandomFraction() * 60.0 - 30.0),
                     a.z + float(gen.RandomFraction() * 60.0 - 30.0)};
        const float d = VecDistance(a, b);
        for (float reach : {d, std::nextafter(d, 0.0f), std::nextafter(d, 1e9f), -d, d * 1.0000005f})
            ASSERT_EQ(CloserThan(a, b, reach), VecDistance(a, b) < reach) << k;
    }
    const float nan = std::nanf("");
    EXPECT_FALSE(CloserThan({nan, 0, 0}, {0, 0, 0}, 10.0f));
    EXPECT_FALSE(CloserThan({0, 0, 0}, {0, 0, 0}, nan));
    EXPECT_TRUE(CloserThan({0, 0, 0}, {1e30f, 0, 0}, INFINITY));
}

// The view test decides most aircraft by a ball around them; every decision must be the one
// the corners give, above all for the aircraft straddling a plane of the frustum.
TEST(BroadPhaseIdentity, ViewTestAgreesWithTheCornersAtTheFrustumsEdges) {
    const float n = 1.0f, f = 100.0f, l = -1.0f, r = 0.6f, b = -0.4f, t = 0.8f;
    float projection[16] = {};
    projection[0] = 2 * n / (r - l);
    projection[5] = 2 * n / (t - b);
    projection[8] = (r + l) / (r - l);
    projection[9] = (t + b) / (t - b);
    projection[10] = -(f + n) / (f - n);
    projection[11] = -1.0f;
    projection[14] = -2 * f * n / (f - n);
    const float modelview[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    Frustum frustum;
    frustum.CalculateFrom(projection, modelview);

    Crowd c;
    GameRandom gen;
    for (int32_t m = 0; m < kPlaneModelCount; ++m) {
        const float s = kRadii[m];
        for (int k = 0; k < 8; ++k)
            c.planes.Models[m]->BoxCorners[k] = {(k & 1 ? s : -0.5f * s), (k & 2 ? 0.3f * s : -0.4f * s),
                                                 (k & 4 ? 1.2f * s : -s)};
    }
    for (int k = 0; k < 20000; ++k) {
        const int32_t kind = static_cast<int32_t>(gen.Random(4)) + 1;
        const float z = -static_cast<float>(gen.RandomFraction()) * 115.0f + 5.0f;
        const float x = (static_cast<float>(gen.RandomFraction()) * 2.4f - 1.3f) * std::fabs(z) +
                        static_cast<float>(gen.RandomFraction() - 0.5) * 20.0f;
        const float y = (static_cast<float>(gen.RandomFraction()) * 2.4f - 1.1f) * std::fabs(z) +
                        static_cast<float>(gen.RandomFraction() - 0.5) * 20.0f;
        c.planes.Spawn((kind - 1) * 2, (kind - 1) * 2 + 1, x, y, z, float(gen.Random(360)), float(gen.Random(360)),
                       float(gen.Random(3600)) / 10.0f, 0.2f, 3.0f, kind);
    }
    const Vec3 eye{1e4f, 1e4f, 1e4f};
    c.planes.UpdateVisibility(&frustum, eye);
    int straddling = 0, visible = 0;
    for (int32_t i = 0; i < c.planes.PlaneCount; ++i) {
        const TPlane& p = c.planes.Planes[i];
        bool want = false;
        int inside = 0;
        for (Vec3 corner : c.planes.Models[p.ModelIndex]->BoxCorners) {
            Rotate2D(corner.y, corner.z, p.Roll);
            Rotate2D(corner.x, corner.z, p.PitchAngle);
            Rotate2D(corner.x, corner.y, p.Heading);
            const bool in = frustum.PointInFrustum(corner.x + p.Pos.x, corner.y + p.Pos.y, corner.z + p.Pos.z);
            want = want || in;
            inside += in;
        }
        straddling += inside > 0 && inside < 8;
        visible += want;
        ASSERT_EQ(p.Visible, want ? 1 : 0) << "aircraft " << i;
    }
    EXPECT_GT(straddling, 1000);
    EXPECT_GT(visible, 5000);
    EXPECT_LT(visible, 15000);

    // The tightest case: every corner the same point, along a plane's normal, half a percent
    // of its length across the plane from where the ball alone would put it.
    for (int k = 0; k < 6; ++k) {
        // A point of the view's middle ray, in the plane of the near (5) and far (4) faces.
        const float depth = k == 5 ? 1.0f : k == 4 ? 100.0f : 50.0f;
        const Vec3 middle{-0.2f * depth, 0.2f * depth, -depth};
        const float* pl = frustum.planes[k];
        const Vec3 normal{pl[0], pl[1], pl[2]};
        const float toPlane = normal.x * middle.x + normal.y * middle.y + normal.z * middle.z + pl[3];
        const Vec3 onPlane{middle.x - toPlane * normal.x, middle.y - toPlane * normal.y, middle.z - toPlane * normal.z};
        for (const float towards : {1.0f, -1.0f}) {  // the corner inside the plane, outside it
            const float length = 10.0f, offset = -towards * 0.995f * length;
            Crowd one;
            for (Vec3& corner : one.planes.Models[0]->BoxCorners)
                corner = {towards * length * normal.x, towards * length * normal.y, towards * length * normal.z};
            one.planes.Spawn(0, 1, onPlane.x + offset * normal.x, onPlane.y + offset * normal.y,
                             onPlane.z + offset * normal.z, 0.0f, 0.0f, 0.0f, 0.2f, 3.0f, 1);
            one.planes.UpdateVisibility(&frustum, eye);
            const Vec3 at = one.planes.Planes[0].Pos;
            const Vec3 corner = one.planes.Models[0]->BoxCorners[0];
            const bool want = frustum.PointInFrustum(corner.x + at.x, corner.y + at.y, corner.z + at.z);
            EXPECT_EQ(want, towards > 0.0f) << "plane " << k;
            EXPECT_EQ(one.planes.Planes[0].Visible, want ? 1 : 0) << "plane " << k << " towards " << towards;
        }
    }
}

}  // namespace
}  // namespace tv
