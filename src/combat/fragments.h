#pragma once
// The wreck-fragment pool: the broken parts a killed aircraft throws away from itself. Each
// fragment drifts towards a point on the ground while falling at a fixed rate, trailing one
// smoke particle per frame, and leaves the pool below z = 0. Positions in world units, speeds
// in units per ms, z up.
//
// The table and the simulation need no GL; InitFragments and DrawFragments (fragments_draw.cpp)
// need the GL context the aircraft models live in.

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "math/vec3.h"
#include "models/model.h"

namespace tv {

class Clock;
class GameRandom;
struct T_Particles_System;

// What one aircraft kind leaves behind.
struct TWreckDescription {
    std::array<int32_t, 101> Pieces{};  // indices into PieceModels, the first PieceCount used
    int32_t PieceCount = 0;
    uint32_t Texture = 0;  // texture id bound for every piece of the kind (the store owns it)
};

struct TFragment {
    Vec3 Pos;
    Vec3 Dest;            // the point it drifts towards
    float Speed = 0.0f;   // horizontal, units per ms
    int32_t PieceModel = 0;
    uint32_t Texture = 0;
};

// The pool grows in steps of this many fragments and never shrinks.
inline constexpr int32_t kFragmentGrowStep = 1000;

struct T_Fragments_System_Planes {
    int32_t Count = 0;
    int32_t Capacity = 0;
    std::vector<TFragment> Fragments;  // Capacity entries, the first Count live
    std::vector<TWreckDescription> KindTable;  // kind k at k - 1
    int32_t KindCount = 0;
    std::vector<std::unique_ptr<TModel>> PieceModels;
    int32_t PieceModelCount = 0;
};

// Empties the pool and builds the four kinds' piece lists (models 0..9 in file order: three
// pieces for kinds 1 and 2, two for kinds 3 and 4), with no models or textures loaded.
void BuildWreckTable(T_Fragments_System_Planes& fs);
// The pool's Init: BuildWreckTable, then loads the ten piece models and the four textures
// (into context.Gpu; none without a store). Raises DataError when a file cannot be read.
void InitFragments(T_Fragments_System_Planes& fs, const ModelLoadContext& context);

// Adds the pieces of an aircraft of `kind` at `pos` flying at `speed`: per piece, position
// (x + Random(5), y + r, z) with r = Random(5) for kind 1 and 0 otherwise, destination
// (x + Random(100), y + Random(100), -10). Another kind adds nothing.
void SpawnFragments(T_Fragments_System_Planes& fs, int32_t kind, const Vec3& pos, float speed, GameRandom& random);
// Moves every fragment by frameMs, emits one smoke particle above each (smoke may be null),
// and removes those below z = 0 (the last live one takes the hole).
void UpdateFragments(T_Fragments_System_Planes& fs, uint32_t frameMs, T_Particles_System* smoke, GameRandom& random,
                     Clock& clock);
// Each fragment's piece model, textured with its kind's texture, at its position (GL).
void DrawFragments(T_Fragments_System_Planes& fs, const double camera[16]);

}  // namespace tv
