#include "combat/planes.h"

#include <cmath>

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
    for (int k = 0; k < count; ++k) EmitParticle(*smoke, *frame.random, *frame.clock);
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

}  // namespace

float HeadingAngle(float x1, float y1, float x2, float y2) { return AngleTo2D(x1, y1, x2, y2); }

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

    if (p.SoundFlag == 1) {  // 1: the first damage plays the explosion once
        if (frame.mixer) PlaySample(*frame.mixer, frame.explosionSample, false, p.Pos);
        p.SoundFlag = 2;
    }

    const float d = HeadingAngle(p.Pos.x, p.Pos.y, p.Waypoint.x, p.Waypoint.y);  // 2
    const float h = HeadingAngle(p.Pos.z, p.Pos.x, p.Waypoint.z, p.Waypoint.x);
    const float m = HorizontalDistance(p.Pos, Target);  // 3

    if (m < 20.0f) {  // 4: break away towards a point on the circle of radius 400
        p.PrevState = p.State;
        p.State = kPlaneBreakAway;
        float wx = 400.0f, wy = 0.0f;
        Rotate2D(wx, wy, static_cast<float>(random.Random(360)));
        p.Waypoint.x = wx;
        p.Waypoint.y = wy;
        p.Waypoint.z = static_cast<float>(random.Random(200) + 50);
    }
    if (m > 400.0f) {  // 5
        if (p.PrevState != kPlaneTurnBack) {
            p.PrevState = p.State;
            p.State = kPlaneTurnBack;
        }
        if (m > frame.farDistance) {
            p.State = kPlaneAttack;
            p.Heading = d;
            p.PitchAngle = h;
            p.Waypoint = TargetWithJitter(Target, random);
        }
    }

    switch (p.State) {
        case kPlaneAttack:  // 6: the heading is not steered
            if (p.Speed < p.MaxSpeed) p.Speed += 0.01f;
            StepToward(p.PitchAngle, h, 0.005f * dt);
            break;
        case kPlaneBreakAway:  // 7
            StepToward(p.Heading, d, 0.005f * dt);
            StepToward(p.PitchAngle, h, 0.01f * dt);
            break;
        case kPlaneTurnBack:  // 8
            StepToward(p.Heading, d, 0.005f * dt);
            StepToward(p.PitchAngle, h, 0.01f * dt);
            if (d - 1.0f < p.Heading && p.Heading < d + 1.0f) {
                p.PrevState = p.State;
                p.State = kPlaneAttack;
                p.Waypoint = TargetWithJitter(Target, random);
            }
            break;
        default: break;
    }

    if (p.State >= kPlaneAttack && p.State <= kPlaneTurnBack) {  // 9
        if (p.Pos.z < p.Waypoint.z) p.Pos.z += 0.01f * dt;
        if (p.Pos.z > p.Waypoint.z + 10.0f) p.Pos.z -= 0.01f * dt;
    }

    if (p.PitchAngle < 45.0f) p.PitchAngle = 45.0f;  // 10
    if (p.PitchAngle > 100.0f) p.PitchAngle = 100.0f;

    float dx = dt * p.Speed, dy = 0.0f;  // 11
    Rotate2D(dx, dy, p.Heading);
    p.Pos.x += dx;
    p.Pos.y += dy;

    if (p.HitPoints < 0.0f) {  // 12
        p.Pos.z -= 0.05f * dt;
        if (p.ModelIndex != p.WreckModelIndex) {
            SpawnFragments(Fragments, p.Kind, p.Pos, p.Speed, random);
            p.ModelIndex = p.WreckModelIndex;
        }
    }

    if (p.HitPoints > 0.0f) p.Reload += 0.005f * dt;  // 13
    if (p.Reload > 1.1f) p.Reload = 1.1f;

    if (p.State == kPlaneAttack && m > 100.0f && m < 150.0f && p.Reload > 1.0f) {  // 14
        p.Reload -= 1.1f;
        if (frame.turret) Bullets.FireShot(0, p.Pos, frame.turret->Position, 0.1f, p.BulletDamage);
    }
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

void TPlanes_System::Separate() {
    for (int32_t i = 0; i < PlaneCount; ++i) {
        const float ri = ModelRadius(i);
        for (int32_t j = i + 1; j < PlaneCount; ++j) {
            if (VecDistance(Planes[i].Pos, Planes[j].Pos) < 3.0f * ri + 3.0f * ModelRadius(j)) {
                Planes[i].Pos.y += 0.5f;
                break;
            }
        }
    }
}

void TPlanes_System::Collide() {
    for (int32_t i = 0; i < PlaneCount; ++i) {
        for (int32_t j = i + 1; j < PlaneCount; ++j) {
            if (VecDistance(Planes[i].Pos, Planes[j].Pos) < ModelRadius(i) / 2.0f + ModelRadius(j) / 2.0f) {
                for (TPlane* p : {&Planes[i], &Planes[j]}) {
                    p->HitPoints -= 100.0f;
                    if (p->SoundFlag != 2) p->SoundFlag = 1;
                }
            }
        }
    }
}

void TPlanes_System::UpdateVisibility(const Frustum* frustum, const Vec3& eye) {
    for (int32_t i = 0; i < PlaneCount; ++i) {
        TPlane& p = Planes[i];
        p.Visible = 0;
        const TModel* model = ModelOf(p);
        if (!model) continue;
        if (frustum) {
            for (Vec3 c : model->BoxCorners) {
                Rotate2D(c.y, c.z, p.Roll);
                Rotate2D(c.x, c.z, p.PitchAngle);
                Rotate2D(c.x, c.y, p.Heading);
                if (frustum->PointInFrustum(c.x + p.Pos.x, c.y + p.Pos.y, c.z + p.Pos.z)) {
                    p.Visible = 1;
                    break;
                }
            }
        }
        if (!p.Visible && VecDistance(eye, p.Pos) < model->Radius) p.Visible = 1;
    }
}

void TPlanes_System::AdvanceDying(int32_t i, const PlanesFrame& frame) {
    TPlane& p = Planes[i];
    if (!(p.HitPoints < 0.0f)) return;
    p.State = kPlaneDying;
    p.ExplosionFrame -= static_cast<float>(frame.frameMs) / 60.0f;
    EmitSmoke(Smoke, p.Pos, 1.0f, 21, frame);
}

}  // namespace tv
