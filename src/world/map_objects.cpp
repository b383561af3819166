// Map objects without GL: which model an object uses and whether it is in view.
#include "world/map_objects.h"

#include <cmath>

#include "math/frustum.h"
#include "math/random.h"

namespace tv {

TModel* MapObjectModel(MapObjects& objects, const ObjectKart& o) {
    if (o.ModelIndex < 0 || static_cast<size_t>(o.ModelIndex) >= objects.MapModels.size()) return nullptr;
    return objects.MapModels[static_cast<size_t>(o.ModelIndex)].get();
}

void CullMapObject(MapObjects& objects, int index, const MapObjectsFrame& frame) {
    ObjectKart& o = objects.Objects[static_cast<size_t>(index)];
    o.Visible = 0;
    if (o.Kind == kMapKindWater) {
        o.Visible = 1;
        return;
    }
    if (o.Kind == kMapKindModel) {
        TModel* m = MapObjectModel(objects, o);
        if (m == nullptr) return;  // no model was ever loaded for it: nothing to draw
        if (m->ModelType == ModelType::Billboard) {
            o.Visible = 1;
            return;
        }
        const auto& r = o.Rotation;
        for (const Vec3& c : m->BoxCorners) {
            const float x = r[0] * c.x + r[1] * c.y + r[2] * c.z + o.Position.x;
            const float y = r[4] * c.x + r[5] * c.y + r[6] * c.z + o.Position.y;
            const float z = r[8] * c.x + r[9] * c.y + r[10] * c.z + o.Position.z;
            if (frame.View->PointInFrustum(x, y, z)) {
                o.Visible = 1;
                return;
            }
        }
        // Close to the camera it stays drawn even with every corner out of view; the height
        // is taken as 2.0, not the object's own.
        const double dx = double(o.Position.x) - frame.Eye.x;
        const double dy = double(o.Position.y) - frame.Eye.y;
        const double dz = 2.0 - frame.Eye.z;
        if (std::sqrt(dx * dx + dy * dy + dz * dz) <= m->Radius) o.Visible = 1;
        return;
    }
    if (o.Kind == kMapKindEmitter) {
        const T_Particles_System& p = o.Particles;
        if (frame.View->SphereInFrustum(o.Position.x + p.EmitCentre.x, o.Position.y + p.EmitCentre.y,
                                        o.Position.z + p.EmitCentre.z, p.Radius)) {
            o.Visible = 1;
        }
    }
}

void StepMapObjects(MapObjects& objects, const MapObjectsFrame& frame) {
    BillboardSides sides;
    ComputeBillboardVectors(frame.Eye, frame.Target, sides);
    if (frame.Sides) *frame.Sides = sides;
    // Models that were loaded with their own shared state get this frame's vectors too.
    for (auto& m : objects.MapModels) m->Shared().Sides = sides;
    for (size_t i = 0; i < objects.Objects.size(); ++i) {
        CullMapObject(objects, static_cast<int>(i), frame);
        ObjectKart& o = objects.Objects[i];
        if (o.Visible != 1) continue;
        if (o.Kind == kMapKindWater && frame.Random) WaterFrame(o.Water, frame.FrameMs, *frame.Random);
        if (o.Kind == kMapKindEmitter) AdvanceEmitter(o.Particles, frame.FrameMs);
    }
}

}  // namespace tv
