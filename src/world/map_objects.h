#pragma once
// The level's map objects: models (static or animated), water surfaces and particle emitters,
// placed once by the level loader and culled and drawn every frame in file order. The table
// and the distinct models it uses live in MapObjects, which the Game context owns.

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "math/vec3.h"
#include "models/model.h"
#include "world/particles.h"
#include "world/water.h"

namespace tv {

class ParticleProgram;  // the renderer's (world/gl/particle_program.h)

class Clock;
class GameRandom;
struct Frustum;
class TLand;
struct LevelObject;

// Kinds of a map object after loading (a model takes its model's object-kind byte).
inline constexpr uint8_t kMapKindModel = 1;
inline constexpr uint8_t kMapKindWater = 4;
inline constexpr uint8_t kMapKindEmitter = 5;

// CreateMapObject's own kinds (not the file's type bytes 1, 4, 5).
inline constexpr int kCreateModel = 1;
inline constexpr int kCreateWater = 2;
inline constexpr int kCreateEmitter = 3;

struct ObjectKart {
    int32_t ModelIndex = 0;              // into MapObjects::MapModels; kind 1 only
    Vec3 Position;                       // world units
    std::array<float, 12> Rotation{};    // three rows of four, the fourth of each unused
    uint8_t Kind = 0;                    // 1 model, 4 water, 5 emitter (others: nothing drawn)
    uint32_t SpareA = 0;
    int32_t AnimNumber = 0;              // always 0
    float AnimTime = 0.0f;
    uint32_t SpareB = 0;
    uint8_t Animated = 0;
    std::string ModelName;               // model path, or the emitter's particle file name
    std::string SecondName;
    TWater Water;                        // kind 4
    T_Particles_System Particles;        // kind 5
    uint8_t Visible = 0;                 // this frame's culling result
};

struct MapObjects {
    std::vector<ObjectKart> Objects;
    int32_t MapObjectCount = 0;        // as read from the file
    int32_t CurrentObjectNumber = 0;   // 1-based record being created
    std::vector<std::unique_ptr<TModel>> MapModels;  // one per distinct model path
    int32_t MapModelCount = 0;
};

// What loading a level needs from the game.
struct LevelLoadContext {
    std::string DataRoot;        // ends in a separator
    ModelLoadContext Models;     // how map models are loaded
    GameRandom* Random = nullptr;  // the game's generator, reseeded by the emitters' particles
    Clock* GameClock = nullptr;    // its performance counter seeds each particle
    StartupBudget* Budget = nullptr;  // charged with the terrain, the records and the particles
};

// Loading and drawing need the game's GL context (map_objects_draw.cpp); culling needs none.
// Loads the terrain (levelPath + ".map") into `land`, then reads the level file and creates
// every object it names, in file order. Models are loaded as the file names them and shared by
// exact path. Raises DataError (or what the model loader raises) on a missing or unreadable
// file. What was built before a failure stays: the models in MapModels, and once the first
// record is read the table holds one entry per record of the file, those before the failing
// record created, the failing one with what was read of it (no model), the rest zero. A
// failure before the first record (the terrain, the level file itself, a refused count)
// leaves the table empty.
void LoadLevel(const std::string& levelPath, TLand& land, MapObjects& objects, const LevelLoadContext& context);

// Creates the engine object of the current record (CurrentObjectNumber) from the parsed
// record: kind 1 takes the record's shared model index and object kind; kind 2 makes the water
// (grid points truncated, clamped to the water's limits); kind 3 loads and starts the emitter.
void CreateMapObject(MapObjects& objects, int kind, const LevelObject& record, const LevelLoadContext& context);

// What culling and drawing read each frame.
struct MapObjectsFrame {
    const Frustum* View = nullptr;  // this frame's planes
    Vec3 Eye;                       // camera eye
    Vec3 Target;                    // camera target (billboard side vectors)
    uint32_t FrameMs = 0;           // FrameTime (step)
    GameRandom* Random = nullptr;   // water kicks (step)
    ParticleProgram* Program = nullptr;  // the emitters' GPU program
    BillboardSides* Sides = nullptr;     // the shared side vectors to update (may be null)
};

// The object's model, null when its model index names no loaded model.
TModel* MapObjectModel(MapObjects& objects, const ObjectKart& object);
// Sets Visible: water always; a billboard model always; another model if a rotated box corner
// is in view or (x, y, 2.0) is within its Radius of the eye; an emitter if its sphere is in view.
// A model object whose model index names no loaded model is never visible.
void CullMapObject(MapObjects& objects, int index, const MapObjectsFrame& frame);
// The frame's changes (no GL): billboard vectors for the camera (into frame.Sides and every
// map model's shared state), then in file order each object is culled and, when visible, a
// water surface takes its WaterFrame (kicks from frame.Random) and an emitter advances.
void StepMapObjects(MapObjects& objects, const MapObjectsFrame& frame);
// Draws one visible object (an invisible one is skipped) as StepMapObjects left it.
void DrawMapObject(MapObjects& objects, int index, const MapObjectsFrame& frame);
// Draws every visible object in file order.
void DrawMapObjects(MapObjects& objects, const MapObjectsFrame& frame);

}  // namespace tv
