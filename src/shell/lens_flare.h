#pragma once
// The sun's lens flare: each frame the sun is projected to the screen, the depth buffer at its
// pixel says whether anything covers it, a brightness fades in or out, and ten additive
// squares are drawn along the line from the sun's screen position through the screen centre.

#include <array>
#include <cstdint>
#include <string>

namespace tv {

class GpuStore;

inline constexpr int kFlareTextureCount = 9;
inline constexpr float kFlareMaxBrightness = 0.7f;  // fading in stops once this is reached
inline constexpr float kFlareFadeMs = 250.0f;       // brightness changes by FrameTime / 250

// Where the sun landed on the screen this frame.
struct FlareSight {
    double sx = 0.0, sy = 0.0, sz = 0.0;  // window pixels and window depth
    bool visible = false;
};

// What the frame hands the flare: the frame time and the camera's planes and window size for
// putting the perspective projection back.
struct FlareView {
    uint32_t frameMs = 0;
    float nearPlane = 0.1f;
    float farPlane = 1000.0f;
    int32_t screenWidth = 0;
    int32_t screenHeight = 0;
};

struct TFlare {
    double SunX = 0.0, SunY = 0.0, SunZ = 0.0;
    int32_t Width = 0, Height = 0;  // the window the element positions are laid out for
    float CenterX = 0.0f, CenterY = 0.0f;
    float BaseSize = 0.0f;          // half edge of the largest element, Width / 4
    float Brightness = 0.0f;        // may end slightly above 0.7 or below 0: no clamping
    bool Ready = false;             // FlareInit has run; FlareDraw does nothing before
    std::array<uint32_t, kFlareTextureCount> Textures{};  // texture ids; the store owns them

    // Stores the window size and the sun and loads the nine element textures
    // <dataRoot>k_resurs\flare\Flare<i>.jpg into `gpu` (its context current; null: none).
    void FlareInit(GpuStore* gpu, const std::string& dataRoot, int32_t width, int32_t height, float x, float y,
                   float z);
    // Lays the elements out for a window of this size: centre, base size.
    void SetScreenSize(int32_t width, int32_t height);
    // Projects the sun with the current matrices and viewport; visible when it lands inside the
    // viewport, in front of the eye, and the depth buffer at its pixel is not nearer.
    FlareSight FlareVisible() const;
    // Once per frame with the camera's modelview and projection current and 2D texturing on.
    // Fades the brightness, draws the elements when it is above 0 (depth test off, additive
    // blending) and then leaves the depth test on, blending off, the perspective projection
    // back and an identity modelview. Always ends with the colour white.
    void FlareDraw(const FlareView& view);
};

// One textured square of half edge h around the origin in the z = 0 plane.
void FlareQuad(float h);
// Orthographic over (0, width) x (0, height), near 0.01, far `farPlane`; or the game's
// perspective (45 degrees, screen aspect, near and far). Leaves an identity modelview selected.
void FlareProjection(bool orthographic, const TFlare& flare, const FlareView& view);

}  // namespace tv
