// Map objects in GL: loading the level's models, water and emitters, and drawing them.
#include <epoxy/gl.h>

#include <cmath>

#include "common/data_paths.h"
#include "math/frustum.h"
#include "platform/paths.h"
#include "world/gl/particle_program.h"
#include "world/level_file.h"
#include "world/map_objects.h"
#include "world/terrain.h"

namespace tv {

namespace {

constexpr std::array<float, 12> kIdentityRotation = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0};

// Grid points are stored as a float; anything that is not a plain number of samples ends up
// at the water's own limits instead of overflowing the conversion.
int WaterGridFromField(float gridPoints) {
    if (!std::isfinite(gridPoints)) return 0;
    const float t = std::trunc(gridPoints);
    if (t < 0.0f) return 0;
    if (t > static_cast<float>(kMaxWaterGridCount)) return kMaxWaterGridCount;
    return static_cast<int>(t);
}

}  // namespace

void LoadLevel(const std::string& levelPath, TLand& land, MapObjects& objects, const LevelLoadContext& context) {
    land.Load(levelPath + std::string(paths::kTerrainSuffix), context.DataRoot, context.Models.Gpu, context.Budget);

    // Every object is created as soon as its record is read, in file order: a model's object
    // kind decides how its record goes on, and a failure part-way keeps what came before it.
    // Data copied from Windows has mixed case: every path goes through the resolver.
    objects.Objects.clear();
    objects.MapObjectCount = 0;
    const auto loadModel = [&](const std::string& modelPath) -> uint8_t {
        std::unique_ptr<TModel> model = TModel::Create(ResolvePath(DataPath(context.DataRoot, modelPath)), context.Models);
        const uint8_t kind = model->ObjectKind;
        objects.MapModels.push_back(std::move(model));
        objects.MapModelCount = static_cast<int32_t>(objects.MapModels.size());
        return kind;
    };
    const auto createObject = [&](const LevelFile& read, size_t k) {
        if (k == 0) {
            objects.MapObjectCount = read.objectCount;
            objects.Objects.resize(read.objects.size());
        }
        objects.CurrentObjectNumber = static_cast<int32_t>(k + 1);
        const LevelObject& rec = read.objects[k];
        ObjectKart& o = objects.Objects[k];
        o.Kind = rec.typeByte;
        o.Position = rec.position;
        o.Rotation = rec.rotation;
        o.SpareA = rec.spareA;
        o.AnimTime = rec.animTime;
        o.SpareB = rec.spareB;
        o.Animated = rec.animated;
        o.ModelName = rec.modelPath;
        o.SecondName = rec.secondName;
        if (rec.hasModelBlock) CreateMapObject(objects, kCreateModel, rec, context);
        if (rec.hasWaterBlock) CreateMapObject(objects, kCreateWater, rec, context);
        if (rec.hasEmitterBlock) CreateMapObject(objects, kCreateEmitter, rec, context);
    };
    const LevelFile level = ReadLevelFile(ResolvePath(levelPath), loadModel, createObject, context.Budget);
    objects.MapObjectCount = level.objectCount;
}

void CreateMapObject(MapObjects& objects, int kind, const LevelObject& rec, const LevelLoadContext& context) {
    if (objects.CurrentObjectNumber < 1 || static_cast<size_t>(objects.CurrentObjectNumber) > objects.Objects.size()) {
        return;
    }
    ObjectKart& o = objects.Objects[static_cast<size_t>(objects.CurrentObjectNumber - 1)];
    if (kind == kCreateModel) {
        o.ModelIndex = rec.modelIndex;
        o.Kind = rec.kind;
    } else if (kind == kCreateWater) {
        o.Rotation = kIdentityRotation;
        o.Kind = kMapKindWater;
        WaterSetTexture(context.Models.Gpu, o.Water, context.DataRoot, rec.textureName);
        WaterCreate(o.Water, WaterGridFromField(rec.gridPoints), rec.sideLength, rec.damping);
        WaterSetTexScale(o.Water, 1.0f);
        WaterSetPosition(o.Water, o.Position.x, o.Position.y, o.Position.z);
    } else if (kind == kCreateEmitter) {
        o.Rotation = kIdentityRotation;
        o.Kind = kMapKindEmitter;
        o.ModelName = rec.particleFile;
        LoadParticles(o.Particles, DataPath(context.DataRoot, std::string(paths::kParticlesFolder) + rec.particleFile),
                      context.DataRoot, context.Models.Gpu, context.Budget);
        o.Particles.Active = 1;
        StartParticles(o.Particles, *context.Random, *context.GameClock, context.Models.Gpu);
    }
}

void DrawMapObject(MapObjects& objects, int index, const MapObjectsFrame& frame) {
    ObjectKart& o = objects.Objects[static_cast<size_t>(index)];
    if (o.Visible != 1) return;
    glColor3f(1.0f, 1.0f, 1.0f);
    glPushMatrix();
    if (o.Kind == kMapKindModel) {
        if (TModel* m = MapObjectModel(objects, o)) {
            glTranslatef(o.Position.x, o.Position.y, o.Position.z);
            const auto& r = o.Rotation;
            // Row r of the stored 3 x 4 rotation is row r of the GL matrix (column-major array).
            const float gl[16] = {r[0], r[4], r[8], 0, r[1], r[5], r[9], 0, r[2], r[6], r[10], 0, 0, 0, 0, 1};
            glMultMatrixf(gl);
            m->FillBonePalette();
            m->TintColor = {1.0f, 1.0f, 1.0f, 1.0f};
            glColor3f(1.0f, 1.0f, 1.0f);
            m->Draw(1, true, o.Animated == 1, o.AnimNumber, o.AnimTime);
        }
    } else if (o.Kind == kMapKindWater) {
        glColor3f(1.0f, 1.0f, 1.0f);
        WaterDraw(o.Water);
    } else if (o.Kind == kMapKindEmitter) {
        glPushMatrix();
        glTranslatef(o.Position.x, o.Position.y, o.Position.z);
        if (frame.Program) DrawParticleShader(o.Particles, *frame.Program);
        glPopMatrix();
    }
    glPopMatrix();
}

void DrawMapObjects(MapObjects& objects, const MapObjectsFrame& frame) {
    for (size_t i = 0; i < objects.Objects.size(); ++i) DrawMapObject(objects, static_cast<int>(i), frame);
}

}  // namespace tv
