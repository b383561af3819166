#include "world/physics_world.h"

#include <ode/ode.h>

#include <mutex>
#include <stdexcept>

#include "common/error.h"

namespace tv {

struct PhysicsWorldState {
    dWorldID world = nullptr;
    dSpaceID space = nullptr;
    dJointGroupID contacts = nullptr;
    dGeomID terrain = nullptr;
    int terrainClass = -1;
};

namespace {

// No collision pass ever runs, so the terrain class offers no collider for any class.
dColliderFn* NoCollider(int) { return nullptr; }

// The library keeps its own process-wide state: initialise it and register the class once.
int TerrainGeomClass() {
    static std::once_flag once;
    static int cls = -1;
    std::call_once(once, [] {
        dInitODE2(0);
        dGeomClass c{};
        c.bytes = 0;
        c.collider = &NoCollider;
        c.aabb = &dInfiniteAABB;
        c.aabb_test = nullptr;
        c.dtor = nullptr;
        cls = dCreateGeomClass(&c);
    });
    return cls;
}

}  // namespace

PhysicsWorld::PhysicsWorld() = default;

PhysicsWorld::~PhysicsWorld() {
    if (!state_) return;
    if (state_->terrain) dGeomDestroy(state_->terrain);
    if (state_->contacts) dJointGroupDestroy(state_->contacts);
    if (state_->space) dSpaceDestroy(state_->space);
    if (state_->world) dWorldDestroy(state_->world);
    delete state_;
}

void PhysicsWorld::CreatePhysicsWorld() {
    if (state_) return;
    auto* s = new PhysicsWorldState;
    s->terrainClass = TerrainGeomClass();
    s->world = dWorldCreate();
    s->space = s->world ? dHashSpaceCreate(nullptr) : nullptr;
    s->contacts = s->space ? dJointGroupCreate(0) : nullptr;
    if (s->world && s->space && s->contacts && s->terrainClass >= 0) {
        dWorldSetGravity(s->world, 0, 0, -10);
        dWorldSetQuickStepNumIterations(s->world, 30);
        s->terrain = dCreateGeom(s->terrainClass);
        if (s->terrain) dSpaceAdd(s->space, s->terrain);
    }
    state_ = s;
    if (!s->terrain) {
        throw Error("the physics library could not create the world");
    }
}

void* PhysicsWorld::World() const { return state_ ? state_->world : nullptr; }
void* PhysicsWorld::Space() const { return state_ ? state_->space : nullptr; }
void* PhysicsWorld::ContactGroup() const { return state_ ? state_->contacts : nullptr; }
void* PhysicsWorld::TerrainGeom() const { return state_ ? state_->terrain : nullptr; }
int PhysicsWorld::TerrainClass() const { return state_ ? state_->terrainClass : -1; }

}  // namespace tv
