#include "world/world_state.h"

#include "common/data_paths.h"
#include "platform/paths.h"
#include "render/gl/gpu_store.h"
#include "world/gl/particle_program.h"

namespace tv {

void CreateLandscape(WorldState& world, const std::string& dataRoot, bool vboSupported,
                     LoadingProgress* progress, GameRandom& random, Clock& clock, GpuStore* gpu,
                     std::shared_ptr<ModelRenderShared> shared, StartupBudget* budget) {
    world.mapObjects.MapModelCount = 0;
    world.land.RenderMode = vboSupported ? 1 : 2;
    LevelLoadContext context;
    context.DataRoot = dataRoot;
    context.Models.DataRoot = dataRoot;
    context.Models.VBOSupported = vboSupported;
    context.Models.Progress = progress;
    context.Models.Shared = std::move(shared);
    context.Models.Gpu = gpu;
    context.Random = &random;
    context.GameClock = &clock;
    context.Budget = budget;
    LoadLevel(DataPath(dataRoot, paths::kLevel), world.land, world.mapObjects, context);
}

void StepLevelObjects(WorldState& world, const Frustum& view, const Vec3& eye, const Vec3& target,
                      uint32_t frameMs, GameRandom& random) {
    MapObjectsFrame frame;
    frame.View = &view;
    frame.Eye = eye;
    frame.Target = target;
    frame.FrameMs = frameMs;
    frame.Random = &random;
    StepMapObjects(world.mapObjects, frame);
}

void DrawLevelObjects(WorldState& world, GpuStore& gpu) {
    MapObjectsFrame frame;
    frame.Program = &gpu.Part<ParticleProgram>();
    DrawMapObjects(world.mapObjects, frame);
}

}  // namespace tv
