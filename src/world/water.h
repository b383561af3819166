#pragma once
// Rippling water surfaces: a square grid of height samples driven by a damped
// neighbour-averaging wave rule, kicked by random impulses each drawn frame and drawn as
// textured quad strips. Each water map object owns one TWater (held in its map-object record).
//
// Local frame: y-up. Sample (i, j) sits at x = i * CellSize - Size / 2, z = j * CellSize - Size / 2
// with its displayed height in y; drawing turns this frame 90 degrees about x so y becomes world z.
// WaterSetTexture and WaterDraw are the GL side (water_draw.cpp); the wave rule touches no GL.

#include <cstdint>
#include <string>
#include <vector>

#include "math/vec3.h"

namespace tv {

class GameRandom;
class GpuStore;

// Smallest grid the water accepts: smaller counts are raised to it, so the random kicks
// (2 + Random(G - 3)) always land inside the arrays. Grids of 3 and 4 are valid: they have no
// simulated interior and stay flat.
inline constexpr int kMinWaterGridCount = 3;
// Largest grid: a corrupt level cannot ask for an unbounded allocation.
inline constexpr int kMaxWaterGridCount = 1024;

struct TWater {
    Vec3 Position;              // world position of the centre
    uint32_t Texture = 0;       // id of the texture, which the renderer's store owns
    std::string TextureName;    // texture file name under "k_resurs\water\"
    float Size = 0.0f;          // side length, world units
    float CellSize = 0.0f;      // Size / (GridCount - 1)
    int32_t GridCount = 0;      // G samples per side
    std::vector<float> Heights;     // G x G, [i][j] row-major
    std::vector<float> Velocities;  // G x G
    std::vector<Vec3> Normals;      // G x G
    std::vector<Vec3> Vertices;     // G x G, local frame
    float Damping = 0.0f;       // velocity factor per step
    float TexScale = 1.0f;      // texture coordinates per grid step
    bool StepPending = false;   // kicked by WaterFrame, not stepped yet
    uint32_t PendingStepMs = 0; // the frame time that step takes

    size_t Index(int i, int j) const { return static_cast<size_t>(i) * GridCount + j; }
    float& H(int i, int j) { return Heights[Index(i, j)]; }
    float& V(int i, int j) { return Velocities[Index(i, j)]; }
};

// Deletes the previous texture from `gpu`, then loads dataRoot + "k_resurs\water\" + name into
// it (its context must be current). A null store loads nothing and only keeps the name.
void WaterSetTexture(GpuStore* gpu, TWater& w, const std::string& dataRoot, const std::string& name);
// Sizes the grid (G clamped to kMinWaterGridCount .. kMaxWaterGridCount), zeroes it and runs one
// 16 ms step so vertices and normals are filled. Returns the grid count actually used.
int WaterCreate(TWater& w, int gridCount, int sideLength, float damping);
void WaterSetTexScale(TWater& w, float scale);
void WaterSetPosition(TWater& w, float x, float y, float z);
// G kicks: velocity at a random interior sample (i drawn first, then j, each in 2 .. G - 2) set to 3.0.
void WaterDisturb(TWater& w, GameRandom& random);
// One simulation step scaled by the frame time (milliseconds), then vertices and normals.
void WaterStep(TWater& w, uint32_t frameMs);
// The surface's frame: the step that the previous frame's kicks wait for (by that frame's
// time), then this frame's kicks. The surface drawn is the one the kicks found, as when each
// frame kicked, drew, then stepped; the kicks' step is left for the next frame.
void WaterFrame(TWater& w, uint32_t frameMs, GameRandom& random);
// Draws the surface with (GL_SRC_COLOR, GL_ONE) blending; leaves texturing and blending off.
void WaterDraw(const TWater& w);

// The level's water surfaces are owned by their map-object records; nothing else keeps them.

}  // namespace tv
