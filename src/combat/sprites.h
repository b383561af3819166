#pragma once
// The small immediate-mode sprites of the combat effects: atlas sprite sets (explosions,
// bullets), the rotating-fin engine flame and the single camera-facing sprite (the sight).
// Every draw uses the caller's GL state: the modelview must already hold the camera, and
// positions are world units. Sets and flames keep the ids of their textures; the renderer's
// store owns the textures.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "math/vec3.h"

namespace tv {

class GpuStore;

// An animated atlas: a vertical strip of FrameHeight-pixel frames, in several image layers.
struct T_Explosion_System {
    float Size = 0.0f;                 // half extent along the camera's right and up
    std::vector<uint32_t> Textures;    // texture ids of layers of the same layout
    int32_t AtlasHeight = 0;           // pixels
    int32_t FrameHeight = 0;           // pixels
    int32_t FrameCount = 0;            // frames callers cycle through
};

// Eleven flat fins fanned about the z axis, turning a little on every draw.
struct T_Fire_Jet {
    float Angle = 0.0f;   // degrees, advanced by every draw
    float Length = 0.0f;  // extent along model z (negative points backwards)
    float Width = 0.0f;   // width of each fin
    std::vector<uint32_t> Textures;  // texture ids
};

// One camera-facing quad.
struct BillboardSprite {
    Vec3 Position;
    float Size = 0.0f;                        // half extent
    std::array<float, 3> Color{1.0f, 1.0f, 1.0f};
    uint32_t Texture = 0;                     // texture id, not owned
};

// Texture rows [T0, T1] of frame n; beyond the strip they run past 1 and the repeat wrap
// brings them back into it. A set with no frame height gives (0, 0).
struct AtlasRows {
    float T0 = 0.0f;
    float T1 = 0.0f;
};
AtlasRows ExplosionFrameRows(const T_Explosion_System& set, int32_t frame);

// The camera-facing corners in strip order (-R-U, R-U, -R+U, R+U) around centre at half
// extent s, where R and U are the right and up rows of the column-major modelview.
std::array<Vec3, 4> FacingCorners(const float modelview[16], const Vec3& centre, float s);

// Advances the flame's angle by 36 degrees; past 360 it starts again at 0.
void AdvanceFlameAngle(T_Fire_Jet& flame);
float NextFlameAngle(float angleDeg);  // the same turn of a bare angle
// The eleven fins' corner offsets in the x-y plane for fin width w, each fin turned once
// more by angleDeg than the one before (the first by angleDeg).
using FinCorners = std::array<std::array<float, 2>, 4>;
std::array<FinCorners, 11> FlameFins(float width, float angleDeg);

// Append one layer or flame image loaded from path into `gpu` (its context current). A null
// store loads nothing and appends id 0, so the count of images stays what it would be.
void AddExplosionTexture(GpuStore* gpu, T_Explosion_System& set, const std::string& path);
void AddFlameTexture(GpuStore* gpu, T_Fire_Jet& flame, const std::string& path);

// Frame n of layer textureIndex, additive, depth writes off, at the set's Size or at `size`.
// An index with no layer draws nothing.
void DrawExplosionFrame(const T_Explosion_System& set, int32_t frame, int32_t textureIndex, float x, float y,
                        float z);
void DrawExplosionFrame(const T_Explosion_System& set, float size, int32_t frame, int32_t textureIndex, float x,
                        float y, float z);
// Eleven fins standing on (x, y, z), alpha-blended in the caller's colour. The fins stand at
// `angleDeg` advanced once (AdvanceFlameAngle's turn), which the call leaves in `angleDeg`, so
// a row of flames drawn from the frame's first angle turns as each draw turned the flame.
// An index with no image draws nothing and leaves the angle alone.
void DrawFlame(const T_Fire_Jet& flame, int32_t textureIndex, float& angleDeg, float x, float y, float z);
// The sprite's quad, additive, depth test off for the draw.
void DrawBillboard(const BillboardSprite& sprite);

}  // namespace tv
