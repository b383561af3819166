#pragma once
// Everything of the world that the Game context holds, and the start-up's landscape and the
// frame's map-object pass written against it, so the shell calls one function for each.

#include <cstdint>
#include <memory>
#include <string>

#include "math/vec3.h"
#include "world/map_objects.h"
#include "world/particles.h"
#include "world/physics_world.h"
#include "world/terrain.h"

namespace tv {

class Clock;
class GameRandom;
class GpuStore;
class LoadingProgress;
struct Frustum;

struct WorldState {
    TLand land;                  // the one terrain
    MapObjects mapObjects;       // the level's objects and their shared models
    PhysicsWorld physics;        // created at start-up, never stepped
    ParticleSystems particles;   // the aircraft smoke systems
};

// The start-up's landscape, without its log line: resets the map-model count, switches the terrain to
// client arrays when vertex buffers are missing, and loads dataRoot + "world\1.wrd" with its
// terrain. Throws on any failure (the caller logs it).
// The GPU objects (textures, buffers) go into `gpu`, the renderer's store (null: none, a run
// without GL). `shared` is what the map models share (billboard sides); null lets each make
// its own. `budget` (may be null) is charged with what the level makes.
void CreateLandscape(WorldState& world, const std::string& dataRoot, bool vboSupported,
                     LoadingProgress* progress, GameRandom& random, Clock& clock, GpuStore* gpu,
                     std::shared_ptr<ModelRenderShared> shared = nullptr, StartupBudget* budget = nullptr);

// The frame's map objects for the camera at eye looking at target: the step's culling, water
// and emitters (StepMapObjects), and the drawing (DrawWorld, after the turret) of what it left
// with the store's objects.
void StepLevelObjects(WorldState& world, const Frustum& view, const Vec3& eye, const Vec3& target,
                      uint32_t frameMs, GameRandom& random);
void DrawLevelObjects(WorldState& world, GpuStore& gpu);

}  // namespace tv
