#include "combat/planes.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "audio/sound_effects.h"
#include "combat/turret.h"
#include "math/frustum.h"
#include "math/random.h"
#include "math/rotations.h"
#include "math/vector_math.h"
#include "world/particles.h"
#include "world/terrain.h"

namespace tv {

namespace {

struct KindConstants {
    float hitPoints;
    int32_t flameSet;
    Vec3 flameAnchor;
    float explosionSize;
};

constexpr KindConstants kKinds[4] = {
    {3.0f, 0, {-0.4f, 0.0f, -8.0f}, 45.0f},
    {3.0f, 0, {-0.4f, 0.0f, -8.0f}, 45.0f},
    {3.0f, 0, {-0.4f, 0.0f, -8.0f}, 45.0f},
    {10.0f, 1, {-0.4f, 0.0f, -18.0f}, 130.0f},
};

// Moves value toward goal by step (down when above it, else up), as the steering does.
void StepToward(float& value, float goal, float step) {
    if (value > goal)
        value -= step;
    else
        value += step;
}

float HorizontalDistance(const Vec3& a, const Vec3& b) {
    const float dx = a.x - b.x, dy = a.y - b.y;
    return std::sqrt(dx * dx + dy * dy);
}

Vec3 TargetWithJitter(const Vec3& target, GameRandom& random) {
    Vec3 w = target;
    w.x += static_cast<float>(random.Random(5));
    w.y += static_cast<float>(random.Random(5));
    w.z += static_cast<float>(random.Random(5));
    return w;
}

void EmitSmoke(T_Particles_System* smoke, const Vec3& from, float rise, int count, const PlanesFrame& frame) {
    if (!smoke || !frame.clock || !frame.random) return;
    smoke->EmitCentre = from;
    smoke->TargetCentre = {from.x, from.y, from.z + rise};
    EmitParticles(*smoke, *frame.random, *frame.clock, count);
}

// The nose point: the position pushed A.z along the heading.
void NosePoint(const TPlane& p, const TModel& m, float& x, float& y) {
    float dx = m.VectorA.z, dy = 0.0f;
    Rotate2D(dx, dy, p.Heading);
    x = p.Pos.x + dx;
    y = p.Pos.y + dy;
}

bool VerticalSegmentHitsGround(const TLand& land, float x, float y, float zFrom, float zTo) {
    const TerrainCell cell = CellAt(land, x, y);
    if (!cell.inside) return false;
    Vec3 hit;
    return SegmentCrossesCell(land, cell.i, cell.j, {x, y, zFrom}, {x, y, zTo}, hit);
}

// Where an aircraft stands against its waypoint and the attacked point, read once at the start
// of its update: the phases after that steer by these even when they move the waypoint.
struct Bearing {
    float headingToWaypoint;  // degrees in the ground plane
    float pitchToWaypoint;    // degrees in the x-z plane
    float distanceToTarget;   // ground distance to the attacked point
};

Bearing BearingOf(const TPlane& p, const Vec3& target) {
    return {HeadingAngle(p.Pos.x, p.Pos.y, p.Waypoint.x, p.Waypoint.y),
            HeadingAngle(p.Pos.z, p.Pos.x, p.Waypoint.z, p.Waypoint.x), HorizontalDistance(p.Pos, target)};
}

void EnterState(TPlane& p, uint8_t state) {
    p.PrevState = p.State;
    p.State = state;
}

// The first damage plays the explosion once.
void PlayFirstDamageExplosion(TPlane& p, SoundMixer* mixer, int32_t sample) {
    if (p.SoundFlag != 1) return;
    if (mixer) PlaySample(*mixer, sample, false, p.Pos);
    p.SoundFlag = 2;
}

// Over the target the aircraft breaks away towards a random point on the circle of radius 400
// about the origin, at a random height.
void BreakAwayOverTarget(TPlane& p, const Bearing& b, GameRandom& random) {
    if (!(b.distanceToTarget < 20.0f)) return;
    EnterState(p, kPlaneBreakAway);
    float wx = 400.0f, wy = 0.0f;
    Rotate2D(wx, wy, static_cast<float>(random.Random(360)));
    p.Waypoint.x = wx;
    p.Waypoint.y = wy;
    p.Waypoint.z = static_cast<float>(random.Random(200) + 50);
}

// Beyond 400 units it turns back; beyond the far plane it is put straight on an attack run.
void TurnBackWhenFar(TPlane& p, const Bearing& b, const Vec3& target, float farDistance, GameRandom& random) {
    if (!(b.distanceToTarget > 400.0f)) return;
    if (p.PrevState != kPlaneTurnBack) EnterState(p, kPlaneTurnBack);
    if (b.distanceToTarget > farDistance) {
        p.State = kPlaneAttack;
        p.Heading = b.headingToWaypoint;
        p.PitchAngle = b.pitchToWaypoint;
        p.Waypoint = TargetWithJitter(target, random);
    }
}

// Turns heading and pitch toward the waypoint at the state's rates. On the attack run the
// heading holds and the speed builds up; a turn back that faces the waypoint attacks again.
void SteerTowardWaypoint(TPlane& p, const Bearing& b, const Vec3& target, float dt, GameRandom& random) {
    switch (p.State) {
        case kPlaneAttack:
            if (p.Speed < p.MaxSpeed) p.Speed += 0.01f;
            StepToward(p.PitchAngle, b.pitchToWaypoint, 0.005f * dt);
            break;
        case kPlaneBreakAway:
            StepToward(p.Heading, b.headingToWaypoint, 0.005f * dt);
            StepToward(p.PitchAngle, b.pitchToWaypoint, 0.01f * dt);
            break;
        case kPlaneTurnBack:
            StepToward(p.Heading, b.headingToWaypoint, 0.005f * dt);
            StepToward(p.PitchAngle, b.pitchToWaypoint, 0.01f * dt);
            if (b.headingToWaypoint - 1.0f < p.Heading && p.Heading < b.headingToWaypoint + 1.0f) {
                EnterState(p, kPlaneAttack);
                p.Waypoint = TargetWithJitter(target, random);
            }
            break;
        default: break;
    }
}

// A flying aircraft climbs to its waypoint's height and sinks when more than 10 above it.
void HoldWaypointHeight(TPlane& p, float dt) {
    if (p.State < kPlaneAttack || p.State > kPlaneTurnBack) return;
    if (p.Pos.z < p.Waypoint.z) p.Pos.z += 0.01f * dt;
    if (p.Pos.z > p.Waypoint.z + 10.0f) p.Pos.z -= 0.01f * dt;
}

void ClampPitch(TPlane& p) {
    if (p.PitchAngle < 45.0f) p.PitchAngle = 45.0f;
    if (p.PitchAngle > 100.0f) p.PitchAngle = 100.0f;
}

void FlyAlongHeading(TPlane& p, float dt) {
    float dx = dt * p.Speed, dy = 0.0f;
    Rotate2D(dx, dy, p.Heading);
    p.Pos.x += dx;
    p.Pos.y += dy;
}

// A killed aircraft falls; the first time, it sheds its wreck fragments and turns into its wreck.
void FallWhenKilled(TPlane& p, float dt, T_Fragments_System_Planes& fragments, GameRandom& random) {
    if (!(p.HitPoints < 0.0f)) return;
    p.Pos.z -= 0.05f * dt;
    if (p.ModelIndex != p.WreckModelIndex) {
        SpawnFragments(fragments, p.Kind, p.Pos, p.Speed, random);
        p.ModelIndex = p.WreckModelIndex;
    }
}

void ReloadGun(TPlane& p, float dt) {
    if (p.HitPoints > 0.0f) p.Reload += 0.005f * dt;
    if (p.Reload > 1.1f) p.Reload = 1.1f;
}

// On the attack run, 100 to 150 units out and loaded, the aircraft fires one shot at the turret.
void FireWhenInRange(TPlane& p, const Bearing& b, T_Bullets_System_Planes& bullets, const TTurel* turret) {
    const bool inRange = b.distanceToTarget > 100.0f && b.distanceToTarget < 150.0f;
    if (p.State == kPlaneAttack && inRange && p.Reload > 1.0f) {
        p.Reload -= 1.1f;
        if (turret) bullets.FireShot(0, p.Pos, turret->Position, 0.1f, p.BulletDamage);
    }
}

// What the view test needs to judge an aircraft by a ball about its position: per plane of
// the frustum the length of its normal, per model the longest box corner.
struct ViewBall {
    bool usable = false;  // false when a plane or a corner is not finite: every corner is tested
    double normalLength[6] = {};
    double cornerReach[kPlaneModelCount] = {};
};

ViewBall ViewBallOf(const Frustum& f, const std::array<std::unique_ptr<TModel>, kPlaneModelCount>& models) {
    ViewBall b;
    b.usable = true;
    for (int k = 0; k < 6; ++k) {
        const float* pl = f.planes[k];
        for (int a = 0; a < 4; ++a) b.usable = b.usable && std::isfinite(pl[a]);
        b.normalLength[k] = std::sqrt(double(pl[0]) * pl[0] + double(pl[1]) * pl[1] + double(pl[2]) * pl[2]);
    }
    for (int m = 0; m < kPlaneModelCount; ++m) {
        if (!models[static_cast<size_t>(m)]) continue;
        double longest = 0.0;
        for (const Vec3& c : models[static_cast<size_t>(m)]->BoxCorners)
            longest = std::max(longest, std::sqrt(double(c.x) * c.x + double(c.y) * c.y + double(c.z) * c.z));
        b.usable = b.usable && std::isfinite(longest);
        b.cornerReach[m] = longest;
    }
    return b;
}

// -1 when every turned corner of the aircraft lies outside one plane (PointInFrustum fails for
// each), 1 when every corner lies inside all six (the first one passes), 0 when only the corners
// can tell. Turning keeps a corner's length within a few float roundings, and adding the
// position rounds by less than a ten-millionth of the coordinates: the margins are a thousandth
// of the corner and a hundred-thousandth of the coordinates.
int BallSide(const Frustum& f, const ViewBall& b, const Vec3& pos, int32_t model) {
    if (!b.usable || model < 0 || model >= kPlaneModelCount) return 0;
    if (!std::isfinite(pos.x) || !std::isfinite(pos.y) || !std::isfinite(pos.z)) return 0;
    const double slack = 1e-5 * (std::fabs(double(pos.x)) + std::fabs(double(pos.y)) + std::fabs(double(pos.z)));
    const double reach = 1.001 * b.cornerReach[model];
    bool inside = true;
    for (int k = 0; k < 6; ++k) {
        const float* pl = f.planes[k];
        const double d = double(pl[0]) * pos.x + double(pl[1]) * pos.y + double(pl[2]) * pos.z + pl[3];
        const double r = (reach + slack) * b.normalLength[k] + 1e-9 * std::fabs(double(pl[3])) + 1e-4;
        if (d <= -r) return -1;
        if (!(d > r)) inside = false;
    }
    return inside ? 1 : 0;
}

}  // namespace

float HeadingAngle(float x1, float y1, float x2, float y2) { return AngleTo2D(x1, y1, x2, y2); }

bool DistanceBelow(const Vec3& a, const Vec3& b, float reach) { return VecDistance(a, b) < reach; }

TPlanes_System::TPlanes_System() {
    Bullets.Init();
    BuildWreckTable(Fragments);
}

const TModel* TPlanes_System::ModelOf(const TPlane& p) const {
    return Models[static_cast<size_t>(p.ModelIndex)].get();
}

float TPlanes_System::ModelRadius(int32_t i) const {
    const TModel* m = ModelOf(Planes[i]);
    return m ? m->Radius : 0.0f;
}

void TPlanes_System::Spawn(int32_t model, int32_t wreckModel, float x, float y, float z, float roll, float pitch,
                           float heading, float speed, float hitPoints, int32_t kind) {
    if (kind < 1 || kind > 4) return;
    // The drawing indexes the model table with these; an index beyond it would read past it.
    if (model < 0 || model >= kPlaneModelCount || wreckModel < 0 || wreckModel >= kPlaneModelCount) return;
    const KindConstants& k = kKinds[kind - 1];
    TPlane p;
    p.Pos = {x, y, z};
    p.Waypoint = Target;
    p.Roll = roll;
    p.PitchAngle = pitch;
    p.Heading = heading;
    p.MaxSpeed = speed;
    p.Speed = speed;
    p.ModelIndex = model;
    p.WreckModelIndex = wreckModel;
    p.Kind = kind;
    p.HitPoints = hitPoints;
    p.FlameSet = k.flameSet;
    p.FlameAnchor = k.flameAnchor;
    p.ExplosionSize = k.explosionSize;
    if (PlaneCount < static_cast<int32_t>(Planes.size()))
        Planes[PlaneCount] = p;
    else
        Planes.push_back(p);
    ++PlaneCount;
}

void TPlanes_System::SpawnWave(GameRandom& random, bool startupWave) {
    struct Group {
        int32_t count, kind;
        float hitPoints;
        uint32_t speedRange;  // of the start-up wave
    };
    const Group groups[4] = {{15, 1, 3.0f, 10}, {15, 2, 3.0f, 10}, {10, 3, 3.0f, 10}, {10, 4, 10.0f, 100}};
    for (const Group& g : groups) {
        for (int32_t n = 0; n < g.count; ++n) {
            const float x = static_cast<float>(random.Random(600) + 100);
            const float y = static_cast<float>(random.Random(600) + 100);
            const float z = static_cast<float>(random.Random(600) + 40);
            const float heading = static_cast<float>(random.Random(180));
            const uint32_t m = startupWave ? g.speedRange : 100u;
            const float speed = static_cast<float>(0.15 + static_cast<double>(random.Random(m)) / 1000.0);
            Spawn((g.kind - 1) * 2, (g.kind - 1) * 2 + 1, x, y, z, 0.0f, 0.0f, heading, speed, g.hitPoints, g.kind);
        }
    }
}

void TPlanes_System::Update(const PlanesFrame& frame) {
    for (int32_t i = 0; i < PlaneCount; ++i) UpdatePlane(i, frame);
    if (frame.land) AvoidTerrain(*frame.land);
    RemoveCrashed(frame.land, frame);
    Separate();
    Collide();
    UpdateVisibility(frame.frustum, frame.eye);
}

void TPlanes_System::UpdatePlane(int32_t i, const PlanesFrame& frame) {
    GameRandom& random = *frame.random;
    const float dt = static_cast<float>(frame.frameMs);
    TPlane& p = Planes[i];
    PlayFirstDamageExplosion(p, frame.mixer, frame.explosionSample);
    const Bearing bearing = BearingOf(p, Target);
    BreakAwayOverTarget(p, bearing, random);
    TurnBackWhenFar(p, bearing, Target, frame.farDistance, random);
    SteerTowardWaypoint(p, bearing, Target, dt, random);
    HoldWaypointHeight(p, dt);
    ClampPitch(p);
    FlyAlongHeading(p, dt);
    FallWhenKilled(p, dt, Fragments, random);
    ReloadGun(p, dt);
    FireWhenInRange(p, bearing, Bullets, frame.turret);
}

void TPlanes_System::AvoidTerrain(const TLand& land) {
    for (int32_t i = 0; i < PlaneCount; ++i) {
        TPlane& p = Planes[i];
        const TModel* model = ModelOf(p);
        if (!model || !(p.HitPoints > 0.0f)) continue;
        float nx, ny;
        NosePoint(p, *model, nx, ny);
        if (VerticalSegmentHitsGround(land, nx, ny, p.Pos.z + model->VectorA.x, p.Pos.z + 5.0f * model->VectorB.x))
            p.Pos.z += 0.25f;
    }
}

void TPlanes_System::RemoveCrashed(const TLand* land, const PlanesFrame& frame) {
    for (int32_t i = 0; i < PlaneCount; ++i) {
        TPlane& p = Planes[i];
        const TModel* model = ModelOf(p);
        bool crashed = p.Pos.z < 0.0f;
        if (!crashed && land && model) {
            float nx, ny;
            NosePoint(p, *model, nx, ny);
            crashed = VerticalSegmentHitsGround(*land, nx, ny, 1000.0f, p.Pos.z + model->VectorB.x);
        }
        if (!crashed) continue;
        p.HitPoints = -1.0f;
        EmitSmoke(Smoke, p.Pos, 10.0f, 71, frame);
        RemovePlane(i);  // the record moved into slot i is examined next frame
    }
}

void TPlanes_System::RemovePlane(int32_t i) {
    if (i < 0 || i >= PlaneCount) return;
    Planes[i] = Planes[PlaneCount - 1];
    --PlaneCount;
}

float TPlanes_System::GatherPositionsAndRadii() {
    const size_t n = static_cast<size_t>(PlaneCount);
    pairPos_.resize(n);
    pairRadius_.resize(n);
    float largest = -std::numeric_limits<float>::infinity();
    for (size_t i = 0; i < n; ++i) {
        pairPos_[i] = Planes[i].Pos;
        const TModel* m = ModelOf(Planes[i]);
        const float r = m ? m->Radius : 0.0f;
        pairRadius_[i] = r;
        if (r > largest) largest = r;
    }
    return largest;
}

// An aircraft with a neighbour further down the list within three radii each moves aside by
// half a unit, once a frame. Every decision reads positions from before the pass (a moved
// aircraft is never looked at again), so the moves can wait until all are decided.
void TPlanes_System::Separate() {
    const float largest = GatherPositionsAndRadii();
    const float maxReach = 3.0f * largest + 3.0f * largest;
    if (!(maxReach > 0.0f)) return;  // no pair can be closer than a reach of zero or less
    // Cubes twice the reach: each aircraft looks into at most eight of them.
    pairGrid_.Build(pairPos_.data(), PlaneCount, 2.0f * maxReach);
    pairFlag_.assign(static_cast<size_t>(PlaneCount), 0);
    for (int32_t i = 0; i < PlaneCount; ++i) {
        const Vec3 pi = pairPos_[i];
        const float ri = pairRadius_[i];
        pairGrid_.ForEachInReachRising(
            pi, 3.0f * ri + 3.0f * largest,
            [&](int32_t j) {
                if (CloserThan(pi, pairPos_[j], 3.0f * ri + 3.0f * pairRadius_[j])) {
                    pairFlag_[i] = 1;
                    return false;
                }
                return true;
            },
            i);
    }
    for (int32_t i = 0; i < PlaneCount; ++i)
        if (pairFlag_[i]) Planes[i].Pos.y += 0.5f;
}

// Every pair closer than half their radii summed loses 100 hit points each. The losses are
// all equal, so the order the pairs are found in does not change a bit of the result.
void TPlanes_System::Collide() {
    const float largest = GatherPositionsAndRadii();
    const float maxReach = largest / 2.0f + largest / 2.0f;
    if (!(maxReach > 0.0f)) return;
    pairGrid_.Build(pairPos_.data(), PlaneCount, 2.0f * maxReach);
    for (int32_t i = 0; i < PlaneCount; ++i) {
        const Vec3 pi = pairPos_[i];
        const float ri = pairRadius_[i];
        pairGrid_.ForEachInReachRising(
            pi, ri / 2.0f + largest / 2.0f,
            [&](int32_t j) {
                if (CloserThan(pi, pairPos_[j], ri / 2.0f + pairRadius_[j] / 2.0f)) {
                    for (TPlane* p : {&Planes[i], &Planes[j]}) {
                        p->HitPoints -= 100.0f;
                        if (p->SoundFlag != 2) p->SoundFlag = 1;
                    }
                }
                return true;
            },
            i);
    }
}

void TPlanes_System::UpdateVisibility(const Frustum* frustum, const Vec3& eye) {
    // Most aircraft are far outside the view or deep inside it: a ball holding every turned
    // corner, with a margin far wider than the rounding, decides those without the corners.
    ViewBall ball;
    if (frustum) ball = ViewBallOf(*frustum, Models);
    for (int32_t i = 0; i < PlaneCount; ++i) {
        TPlane& p = Planes[i];
        p.Visible = 0;
        const TModel* model = ModelOf(p);
        if (!model) continue;
        const int side = frustum ? BallSide(*frustum, ball, p.Pos, p.ModelIndex) : 0;
        if (side > 0) p.Visible = 1;
        if (frustum && side == 0) {
            // One angle's cosine and sine serve all eight corners.
            const Turn roll = TurnOf(p.Roll), pitch = TurnOf(p.PitchAngle), heading = TurnOf(p.Heading);
            for (Vec3 c : model->BoxCorners) {
                Rotate2D(c.y, c.z, roll);
                Rotate2D(c.x, c.z, pitch);
                Rotate2D(c.x, c.y, heading);
                if (frustum->PointInFrustum(c.x + p.Pos.x, c.y + p.Pos.y, c.z + p.Pos.z)) {
                    p.Visible = 1;
                    break;
                }
            }
        }
        if (!p.Visible && VecDistance(eye, p.Pos) < model->Radius) p.Visible = 1;
    }
}

void TPlanes_System::Step(const PlanesFrame& frame) {
    for (int32_t i = 0; i < PlaneCount; ++i) {
        TPlane& p = Planes[i];
        if (p.FlameSet >= 0 && p.FlameSet < static_cast<int32_t>(FlameSets.size())) {
            T_Fire_Jet& flame = FlameSets[static_cast<size_t>(p.FlameSet)];
            p.FlameAngle = flame.Angle;
            if (!flame.Textures.empty())
                for (int k = 0, flames = p.FlameSet == 0 ? 1 : 5; k < flames; ++k) AdvanceFlameAngle(flame);
        }
        if (p.HitPoints < 0.0f) AdvanceDying(i, frame);
    }
    if (Smoke) UpdateParticles(*Smoke, 2, frame.frameMs);
    Bullets.UpdateShots(frame.frameMs, frame.turret);
    if (frame.random && frame.clock) UpdateFragments(Fragments, frame.frameMs, Smoke, *frame.random, *frame.clock);
}

void TPlanes_System::AdvanceDying(int32_t i, const PlanesFrame& frame) {
    TPlane& p = Planes[i];
    if (!(p.HitPoints < 0.0f)) return;
    p.State = kPlaneDying;
    p.ExplosionFrame -= static_cast<float>(frame.frameMs) / 60.0f;
    EmitSmoke(Smoke, p.Pos, 1.0f, 21, frame);
}

}  // namespace tv
