#pragma once
// The physics world made at start-up: a world with gravity, a hash space, a contact joint
// group and one geometry of the terrain's own class. Nothing steps it or runs a collision
// pass; it exists from start-up until the game ends.

namespace tv {

struct PhysicsWorldState;

class PhysicsWorld {
public:
    PhysicsWorld();
    ~PhysicsWorld();  // destroys the geometry, group, space and world, in that order
    PhysicsWorld(const PhysicsWorld&) = delete;
    PhysicsWorld& operator=(const PhysicsWorld&) = delete;

    // Initialises the library, creates the world (gravity (0, 0, -10), z up, 30 quick-step
    // iterations), the hash space, the joint group and the terrain geometry in the space.
    // Throws std::runtime_error if the library refuses; a second call does nothing.
    void CreatePhysicsWorld();

    bool Created() const { return state_ != nullptr; }
    // Opaque library handles for inspection (null before creation).
    void* World() const;
    void* Space() const;
    void* ContactGroup() const;
    void* TerrainGeom() const;
    // The terrain geometry's class number, registered once per process.
    int TerrainClass() const;

private:
    PhysicsWorldState* state_ = nullptr;
};

}  // namespace tv
