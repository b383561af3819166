#pragma once
// TPlanes_System: the enemy aircraft. It owns the flat list of aircraft records, the eight
// models they are drawn with, the sprites of their explosions and engine flames, the kill
// counter, the aircraft's shot pool and the wreck-fragment pool. Each frame Update steers
// every aircraft (attack run at the turret, break away, turn back), lets those in range fire,
// keeps them above the terrain and apart, makes killed ones fall, and removes those that hit
// the ground. Angles in degrees, times in ms, speeds in units per ms, z up.
//
// The simulation (planes.cpp) needs no GL; loading and drawing (planes_draw.cpp) need the GL
// context of the renderer's store the models' GPU objects were made in. The turret reaches the
// aircraft through TurretTargets.

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "combat/bullets.h"
#include "combat/fragments.h"
#include "combat/sprites.h"
#include "combat/turret_links.h"
#include "math/point_grid.h"
#include "math/vec3.h"
#include "models/model.h"

namespace tv {

class DrawParts;

class Clock;
class GameRandom;
class TLand;
struct Frustum;
struct SoundMixer;
struct T_Particles_System;
class TTurel;

// Aircraft states.
enum : uint8_t { kPlaneAttack = 1, kPlaneBreakAway = 2, kPlaneTurnBack = 3, kPlaneDying = 4 };

inline constexpr int32_t kPlaneModelCount = 8;
inline constexpr int32_t kPlaneWaveSize = 50;
// Smoke a falling aircraft keeps alive at 250 frames a second (4 ms frames, faster than any
// 240 Hz display): 21 puffs a frame from the aircraft and one from each of its at most three
// wreck pieces, for the 751 frames a puff lives (3 s).
inline constexpr int32_t kSmokePerFallingAircraft = (21 + 3) * 751;
// The most smoke particles alive at once; past it a new puff replaces the oldest. Room for ten
// aircraft falling together at that rate: the start-up wave peaked at 21,480 at 16 ms frames
// and 71,589 at 4 ms (no player), so a wave is not cut, while a crowd of hundreds dying costs no
// more smoke to keep and draw than this (about 37 MB when full).
inline constexpr int32_t kSmokeParticleBudget = 10 * kSmokePerFallingAircraft;

struct TPlane {
    Vec3 Pos;
    Vec3 Waypoint;  // where it steers
    float Roll = 0.0f, PitchAngle = 0.0f, Heading = 0.0f;  // about x, y, z; Heading also the course
    float MaxSpeed = 0.0f, Speed = 0.0f;
    int32_t ModelIndex = 0;
    int32_t WreckModelIndex = 0;
    int32_t Kind = 0;  // 1..4
    uint8_t State = kPlaneAttack;
    uint8_t PrevState = 0;
    float Reload = 1.0f;  // a shot needs more than 1.0
    uint8_t Visible = 0;
    int32_t FlameSet = 0;
    Vec3 FlameAnchor;  // engine, model space
    float HitPoints = 0.0f;  // below 0: dead
    float ExplosionFrame = 20.0f;
    int32_t ExplosionSet = 0;
    float ExplosionSize = 0.0f;
    int32_t SmokeSystem = 0;
    uint8_t SoundFlag = 0;  // 0 none, 1 explosion sound pending, 2 played
    float BulletDamage = 0.01f;
    float FlameAngle = 0.0f;  // its flame set's angle before its flames turned it this frame
};

// What one frame of the aircraft needs from the rest of the game. Pointers may be null where
// the thing is absent (no terrain, no turret, no smoke, no sound).
struct PlanesFrame {
    uint32_t frameMs = 0;
    const TLand* land = nullptr;
    const Frustum* frustum = nullptr;
    Vec3 eye;                       // the camera's eye
    float farDistance = 1000.0f;    // the camera's far plane
    TTurel* turret = nullptr;       // what the aircraft shoot at
    GameRandom* random = nullptr;   // required
    Clock* clock = nullptr;         // required when smoke is set (emission reseeds from it)
    SoundMixer* mixer = nullptr;
    int32_t explosionSample = -1;  // the mixer's id of the explosion sound
};

class TPlanes_System : public TurretTargets {
public:
    // Empty system: no models, the pools initialised, no sprite images. Tests fill Models.
    TPlanes_System();
    // The full constructor: the eight models, fragment pieces, sprite images, shot sprites and
    // the smoke system (put into `smokeSystems`, which keeps it). Raises DataError or
    // runtime_error when a file cannot be read. The GPU objects go into context.Gpu (none
    // without a store).
    static std::unique_ptr<TPlanes_System> Create(const ModelLoadContext& context,
                                                  std::vector<std::unique_ptr<T_Particles_System>>& smokeSystems);

    // Appends one aircraft with the per-kind constants. A kind outside 1..4, or a model index
    // outside the model table, adds nothing.
    void Spawn(int32_t model, int32_t wreckModel, float x, float y, float z, float roll, float pitch, float heading,
               float speed, float hitPoints, int32_t kind);
    // A wave of 50: 15 of kind 1, 15 of kind 2, 10 of kind 3, 10 bosses. The start-up wave
    // draws speeds from Random(10) (Random(100) for the bosses); the button's from Random(100).
    void SpawnWave(GameRandom& random, bool startupWave);

    // The frame's steering, firing, dying, terrain, separation, collisions and visibility.
    void Update(const PlanesFrame& frame);
    // Update's per-aircraft step and its passes, in Update's order.
    void UpdatePlane(int32_t i, const PlanesFrame& frame);
    void AvoidTerrain(const TLand& land);
    void RemoveCrashed(const TLand* land, const PlanesFrame& frame);
    void Separate();
    void Collide();
    void UpdateVisibility(const Frustum* frustum, const Vec3& eye);

    // Removes aircraft i: the last live record takes its slot.
    void RemovePlane(int32_t i);
    // The death step for aircraft i: state 4, explosion frame down by frameMs / 60,
    // 21 smoke particles rising from it. Nothing for a living aircraft.
    void AdvanceDying(int32_t i, const PlanesFrame& frame);
    // The rest of the frame after Update, in this order: for each aircraft in list order its
    // engine flames turn their set (one turn per flame: one, or the boss's five; none for a set
    // without images), remembering the angle they start from in FlameAngle, and a dying one
    // takes its death step; then the smoke moves, the shots fly and the fragments fall.
    void Step(const PlanesFrame& frame);

    // Drawing (GL), with the camera's modelview in `camera`: what Step left, changing nothing
    // of the game. Shadows and engine flames whose footprint lies wholly outside `view` are
    // skipped; a null view draws them all. Model: each aircraft's model squashed flat, every
    // layer of the mesh darkening the ground again; Oval: one flat oval under the model's box,
    // each ground pixel darkened once per aircraft, all aircraft in one draw, for slow machines.
    enum class ShadowShape : uint8_t { Model, Oval };
    void DrawShadows(const Vec3& sunDir, const Frustum* view = nullptr, ShadowShape shape = ShadowShape::Model);
    // With `parts`, the aircraft (bodies, flames and explosions), the smoke, and the shots with
    // the fragments are charged to parts of their own.
    void Draw(const double camera[16], const Frustum* view, DrawParts* parts = nullptr);

    // TurretTargets.
    int32_t Count() const override { return PlaneCount; }
    Vec3 Position(int32_t i) const override { return Planes[i].Pos; }
    float ModelRadius(int32_t i) const override;
    float& HitPoints(int32_t i) override { return Planes[i].HitPoints; }
    uint8_t& ExplosionSound(int32_t i) override { return Planes[i].SoundFlag; }
    void CountKill() override { ++Kills; }

    std::vector<T_Explosion_System> ExplosionSets;
    std::vector<T_Fire_Jet> FlameSets;
    Vec3 Target;  // the point the aircraft attack
    std::vector<TPlane> Planes;  // the first PlaneCount live
    int32_t PlaneCount = 0;
    int32_t Kills = 0;
    std::array<std::unique_ptr<TModel>, kPlaneModelCount> Models;
    T_Bullets_System_Planes Bullets;
    T_Fragments_System_Planes Fragments;
    T_Particles_System* Smoke = nullptr;  // the smoke the aircraft trail; not owned, may be null

private:
    const TModel* ModelOf(const TPlane& p) const;
    // Copies positions and model radii into the flat scratch arrays; returns the largest
    // radius (NaN radii left out, -inf when there is none).
    float GatherPositionsAndRadii();

    // The simple shadows' triangles, in world coordinates, for one draw; reused between frames.
    std::vector<float> shadowOvals_;
    // Scratch of the pair passes, reused between frames.
    std::vector<Vec3> pairPos_;
    std::vector<float> pairRadius_;
    std::vector<uint8_t> pairFlag_;
    PointGrid pairGrid_;
};

// A flat oval filling the model's box seen from above (its y-z plane, the one the shadow's
// transform lays on the ground) as 16 triangles around its centre, appended to `out` as x, y, z
// in world coordinates: the box grown k times, turned by the heading and laid at (sx, sy) just
// above height 0.
void AppendShadowOval(const TModel& m, float sx, float sy, float headingDeg, float k, std::vector<float>& out);

// True when a and b are closer than `reach` as VecDistance measures them. Squared distances
// decide every pair but a sliver around the boundary, where the distance itself decides, so
// the answer is the same to the last bit.
// Inline: the pair passes call it for every candidate.
bool DistanceBelow(const Vec3& a, const Vec3& b, float reach);  // VecDistance(a, b) < reach
inline bool CloserThan(const Vec3& a, const Vec3& b, float reach) {
    if (!(reach > 0.0f)) return false;  // a distance is never below zero (nor a NaN below anything)
    // Most candidates are far: single precision rules them out with a margin of a percent,
    // far wider than its rounding (an overflow to infinity is far as well).
    const float fx = a.x - b.x, fy = a.y - b.y, fz = a.z - b.z;
    if (fx * fx + fy * fy + fz * fz > reach * reach * 1.01f) return false;
    const double dx = double(a.x) - double(b.x), dy = double(a.y) - double(b.y), dz = double(a.z) - double(b.z);
    const double d2 = dx * dx + dy * dy + dz * dz;
    const double r2 = double(reach) * double(reach);
    // A millionth either side is far wider than the float rounding of the distance.
    if (d2 < r2 * (1.0 - 1e-6)) return true;
    if (d2 > r2 * (1.0 + 1e-6)) return false;
    return DistanceBelow(a, b, reach);
}

// The heading-angle function: degrees from (x1, y1) towards (x2, y2), 0 along +x,
// counter-clockwise; 90 for two equal points.
float HeadingAngle(float x1, float y1, float x2, float y2);

}  // namespace tv
