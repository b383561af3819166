#pragma once
// The sky: a textured sphere around the eye that everything else draws over. Drawn first
// without depth test (Draw), or after the opaque ground at the far plane, only where nothing
// has been drawn yet (DrawBehind): the same picture, without shading the hidden sky.

#include <memory>
#include <string>

#include "models/model.h"

namespace tv {

struct TSky {
    float X = 0.0f, Y = 0.0f, Z = 0.0f;  // the frame moves it to the camera's eye
    float Scale = 0.0f;                  // start-up sets 1
    std::string TextureFileName;         // file-name part of the last texture path
    std::unique_ptr<TModel> Model;       // loaded with TModel::CreateGeometryOnly

    uint32_t Texture() const { return texture_; }  // the id; the store owns the texture

    // Replaces the sky texture: deletes the old one from `gpu` if a texture was set before,
    // loads `path` into it (its context must be current), then keeps only the file-name part
    // of the path. A null store loads nothing and only keeps the name.
    void SetTexture(GpuStore* gpu, const std::string& path);
    // Depth test off; modelview pushed; colour white; translate to the sky's position; 2D
    // texturing on; uniform scale; the sky texture into the model's first texture slot;
    // DrawRest textured with alpha key 1; texturing off; pop; depth test back on. Does nothing without a model.
    void Draw();
    // The frame's sky step: moves the sky to the eye, then Draw.
    void DrawAt(const Vec3& eye);
    // As Draw, but with the depth test on (less-or-equal) at the far plane and no depth
    // writes: only pixels still at the cleared depth get sky. The depth state and range are
    // left as they were.
    void DrawBehind();

private:
    void DrawSphere();
    uint32_t texture_ = 0;
};

class LoadingProgress;

// Start-up's sky step without its log line: the sphere k_resurs\Sky\Sky_Sfera1.3dk loaded
// geometry-only, the texture k_resurs\Sky\2.jpg, scale 1, their GPU objects in `gpu` (null:
// none, a run without GL). Throws (DataError) when the sphere cannot be read.
void InitSky(TSky& sky, const std::string& dataRoot, bool vboSupported, LoadingProgress* progress,
             GpuStore* gpu);

}  // namespace tv
