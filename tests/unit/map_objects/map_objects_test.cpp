// Per-frame culling of map objects against a real set of frustum planes: billboards, the
// near-the-camera rule measured from height 2.0, rotated boxes, and emitter spheres.
#include <gtest/gtest.h>

#include <cmath>

#include "math/frustum.h"
#include "world/map_objects.h"

namespace tv {
namespace {

// Camera at the origin looking down -y... kept simple: identity modelview looks along -z.
// An orthographic box x, y in [-10, 10], z in [-100, -1] (near 1, far 100).
Frustum OrthoView() {
    const float l = -10, r = 10, b = -10, t = 10, n = 1, f = 100;
    const float projection[16] = {2 / (r - l), 0, 0, 0, 0, 2 / (t - b), 0, 0, 0, 0, -2 / (f - n), 0,
                                  0, 0, -(f + n) / (f - n), 1};
    const float modelview[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    Frustum view;
    view.CalculateFrom(projection, modelview);
    return view;
}

class MapCulling : public ::testing::Test {
protected:
    void SetUp() override {
        view = OrthoView();
        frame.View = &view;
        frame.Eye = {0, 0, 0};
    }
    // A model with a unit box around its origin and the given radius.
    TModel& AddModel(ModelType type, float radius) {
        auto m = std::make_unique<TModel>();
        m->ModelType = type;
        m->Radius = radius;
        int k = 0;
        for (float x : {1.0f, -1.0f})
            for (float y : {1.0f, -1.0f})
                for (float z : {1.0f, -1.0f}) m->BoxCorners[k++] = {x, y, z};
        objects.MapModels.push_back(std::move(m));
        return *objects.MapModels.back();
    }
    ObjectKart& AddObject(uint8_t kind, Vec3 position, int model = 0) {
        ObjectKart o;
        o.Kind = kind;
        o.Position = position;
        o.ModelIndex = model;
        o.Rotation = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0};
        objects.Objects.push_back(std::move(o));
        return objects.Objects.back();
    }
    bool Visible(int i) {
        CullMapObject(objects, i, frame);
        return objects.Objects[static_cast<size_t>(i)].Visible == 1;
    }
    Frustum view;
    MapObjectsFrame frame;
    MapObjects objects;
};

TEST_F(MapCulling, ModelsInViewBehindAndNear) {
    AddModel(ModelType::StaticBuffer, 1.8f);
    AddModel(ModelType::Billboard, 1.0f);
    AddObject(kMapKindModel, {0, 0, -50});        // in view
    AddObject(kMapKindModel, {0, 0, 50});         // behind the camera
    AddObject(kMapKindModel, {0, 0, 50}, 1);      // billboard behind the camera
    AddObject(kMapKindModel, {0, 1.0f, 30});      // behind, but (0, 1, 2) is 2.24 from the eye
    AddObject(kMapKindModel, {0, 0.5f, 30});      // (0, 0.5, 2) is 2.06 away: within 1.8? no
    AddObject(kMapKindModel, {0.3f, 0.3f, 500});  // far behind, yet (0.3, 0.3, 2) is near
    EXPECT_TRUE(Visible(0));
    EXPECT_FALSE(Visible(1));
    EXPECT_TRUE(Visible(2));
    EXPECT_FALSE(Visible(3));
    EXPECT_FALSE(Visible(4));
    objects.MapModels[0]->Radius = 2.1f;
    EXPECT_TRUE(Visible(4));
    EXPECT_TRUE(Visible(5));  // the object's own z plays no part
}

TEST_F(MapCulling, BoxCornersGoThroughTheRotation) {
    TModel& m = AddModel(ModelType::StaticBuffer, 0.1f);
    // A long thin box along +x: 0 .. 40, all corners outside the view unless turned.
    int k = 0;
    for (float x : {40.0f, 30.0f})
        for (float y : {0.5f, -0.5f})
            for (float z : {0.5f, -0.5f}) m.BoxCorners[k++] = {x, y, z};
    ObjectKart& o = AddObject(kMapKindModel, {0, 0, -20});
    EXPECT_FALSE(Visible(0));
    // Rotate +x onto -y... and then onto +z? Turn +x to -z: rows (0 0 1), (0 1 0), (-1 0 0).
    o.Rotation = {0, 0, 1, 0, 0, 1, 0, 0, -1, 0, 0, 0};
    EXPECT_TRUE(Visible(0));  // corners now at z = -50 .. -60
}

TEST_F(MapCulling, ModelWithoutALoadedModelIsSkipped) {
    AddObject(kMapKindModel, {0, 0, -50});  // index 0 but no model was ever loaded
    EXPECT_FALSE(Visible(0));
    AddObject(kMapKindModel, {0, 0, -50}, 7);
    AddModel(ModelType::StaticBuffer, 1.0f);
    EXPECT_FALSE(Visible(1));
    EXPECT_TRUE(Visible(0));
}

TEST_F(MapCulling, WaterAlwaysEmittersBySphere) {
    AddObject(kMapKindWater, {0, 0, 500});
    ObjectKart& e = AddObject(kMapKindEmitter, {0, 0, -50});
    e.Particles.EmitCentre = {13, 0, 0};
    e.Particles.Radius = 3.0f;  // right plane x = 10: distance -3, exactly touching from outside
    AddObject(7, {0, 0, -50});  // an unknown kind is never drawn
    EXPECT_TRUE(Visible(0));
    EXPECT_FALSE(Visible(1));
    objects.Objects[1].Particles.Radius = 3.01f;
    EXPECT_TRUE(Visible(1));
    objects.Objects[1].Particles.EmitCentre = {0, 0, 0};
    objects.Objects[1].Position = {0, 0, 50};  // behind
    EXPECT_FALSE(Visible(1));
    EXPECT_FALSE(Visible(2));
}

}  // namespace
}  // namespace tv
