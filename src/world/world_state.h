#pragma once
// Everything of the world that the Game context holds, and the start-up's landscape, the
// shutdown's GL release and the frame's map-object pass written against it, so the shell calls
// one function for each.

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
class LoadingProgress;
struct Frustum;

struct WorldState {
    TLand land;                  // the one terrain
    MapObjects mapObjects;       // the level's objects and their shared models
    PhysicsWorld physics;        // created at start-up, never stepped
    ParticleSystems particles;   // the aircraft smoke systems and the emitters' GPU program
};

// The start-up's landscape, without its log line: resets the map-model count, switches the terrain to
// client arrays when vertex buffers are missing, and loads dataRoot + "world\1.wrd" with its
// terrain. Throws on any failure (the caller logs it).
// `shared` is what the game's models draw with (skinning program, billboard sides); null lets
// each map model make its own. `textures` is the run's texture cache (null: the models' own);
// `budget` (may be null) is charged with what the level makes.
void CreateLandscape(WorldState& world, const std::string& dataRoot, bool vboSupported,
                     LoadingProgress* progress, GameRandom& random, Clock& clock,
                     std::shared_ptr<ModelRenderShared> shared = nullptr,
                     std::shared_ptr<TextureCache> textures = nullptr, StartupBudget* budget = nullptr);

// Destroys what the world owns through GL object owners (the map models) while the context
// is still current; the shutdown calls it before the context goes. Raw names (terrain buffer,
// textures, emitter buffers) simply go with the context.
void ReleaseWorldGl(WorldState& world);

// The frame's map objects for the camera at eye looking at target: the step's culling, water
// and emitters (StepMapObjects), and the drawing (DrawWorld, after the turret) of what it left.
void StepLevelObjects(WorldState& world, const Frustum& view, const Vec3& eye, const Vec3& target,
                      uint32_t frameMs, GameRandom& random);
void DrawLevelObjects(WorldState& world);

}  // namespace tv
