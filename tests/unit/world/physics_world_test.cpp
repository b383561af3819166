#include <gtest/gtest.h>

#include <ode/ode.h>

#include "world/physics_world.h"

namespace tv {
namespace {

TEST(PhysicsWorld, CreatesWorldSpaceGroupAndTerrainGeometry) {
    PhysicsWorld physics;
    EXPECT_FALSE(physics.Created());
    EXPECT_EQ(physics.World(), nullptr);
    physics.CreatePhysicsWorld();
    ASSERT_TRUE(physics.Created());
    auto world = static_cast<dWorldID>(physics.World());
    auto space = static_cast<dSpaceID>(physics.Space());
    auto geom = static_cast<dGeomID>(physics.TerrainGeom());
    ASSERT_NE(world, nullptr);
    ASSERT_NE(space, nullptr);
    ASSERT_NE(physics.ContactGroup(), nullptr);
    ASSERT_NE(geom, nullptr);

    dVector3 gravity;
    dWorldGetGravity(world, gravity);
    EXPECT_EQ(gravity[0], 0);
    EXPECT_EQ(gravity[2], -10);
    EXPECT_EQ(dWorldGetQuickStepNumIterations(world), 30);
    EXPECT_EQ(dSpaceGetNumGeoms(space), 1);
    EXPECT_EQ(dSpaceGetGeom(space, 0), geom);
    EXPECT_EQ(dGeomGetClass(geom), physics.TerrainClass());
    EXPECT_EQ(dSpaceGetClass(space), dHashSpaceClass);
    dReal aabb[6];
    dGeomGetAABB(geom, aabb);
    EXPECT_LT(aabb[0], -1e30);  // the terrain reaches everywhere
    EXPECT_GT(aabb[5], 1e30);

    // A second world in the same process reuses the registered class.
    PhysicsWorld another;
    another.CreatePhysicsWorld();
    EXPECT_EQ(another.TerrainClass(), physics.TerrainClass());
    physics.CreatePhysicsWorld();  // again: nothing new
    EXPECT_EQ(physics.World(), world);
}

}  // namespace
}  // namespace tv
