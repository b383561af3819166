#pragma once
// Small models and textures for the model GL tests, written with the game's own writers.

#include <IL/il.h>
#include <epoxy/gl.h>

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "common/binary_io.h"
#include "gl_context.h"
#include "models/model.h"
#include "models/model_file.h"
#include "render/gl/texture.h"

namespace tv::test {

using Rgba = std::array<uint8_t, 4>;

// A w x h PNG whose pixel (x, y) (y = 0 the first row stored) is colour(x, y).
inline void WriteTexture(const std::string& path, int w, int h, const std::function<Rgba(int, int)>& colour) {
    Pixels p;
    p.width = w;
    p.height = h;
    p.rgba.resize(static_cast<size_t>(w) * h * 4);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const Rgba c = colour(x, y);
            // WritePng stores rows bottom-up; row h-1-y of the buffer is written first.
            uint8_t* out = &p.rgba[(static_cast<size_t>(h - 1 - y) * w + x) * 4];
            for (int k = 0; k < 4; ++k) out[k] = c[k];
        }
    ASSERT_TRUE(WritePng(path, p)) << path;
}

// The same through the image library, for formats chosen by the extension (".jpg").
inline void SaveImage(const std::string& path, int w, int h, Rgba colour) {
    std::vector<uint8_t> rgb(static_cast<size_t>(w) * h * 3);
    for (size_t i = 0; i < rgb.size(); i += 3) rgb[i] = colour[0], rgb[i + 1] = colour[1], rgb[i + 2] = colour[2];
    InitImageLibrary();
    ILuint image = 0;
    ilGenImages(1, &image);
    ilBindImage(image);
    ilTexImage(w, h, 1, 3, IL_RGB, IL_UNSIGNED_BYTE, rgb.data());
    ilEnable(IL_FILE_OVERWRITE);
    const bool saved = ilSaveImage(path.c_str()) == IL_TRUE;
    ilBindImage(0);
    ilDeleteImages(1, &image);
    ASSERT_TRUE(saved) << path;
}

inline ModelVertex Vertex(float x, float y, float z, float s = 0.0f, float t = 0.0f) {
    ModelVertex v;
    v.position = {x, y, z};
    v.normal = {0, 0, 1};
    v.s = s;
    v.t = t;
    return v;
}

// An axis-aligned square [x0, x1] x [y0, y1] at depth z as two triangles, texture 0..1.
inline void AddSquare(ModelFile& m, float x0, float y0, float x1, float y1, float z = 0.0f) {
    m.Triangles.push_back({{Vertex(x0, y0, z, 0, 0), Vertex(x1, y0, z, 1, 0), Vertex(x1, y1, z, 1, 1)}});
    m.Triangles.push_back({{Vertex(x0, y0, z, 0, 0), Vertex(x1, y1, z, 1, 1), Vertex(x0, y1, z, 0, 1)}});
}

inline ModelFile StaticMesh() {
    ModelFile m;
    m.ModelType = ModelType::StaticBuffer;
    m.BoneParents = {-1};
    m.RestPose = {RestBone{}};
    m.BoxSize = {2, 2, 2};
    return m;
}

inline std::string WriteModelTo(const std::string& dir, const std::string& name, const ModelFile& m) {
    const std::string path = dir + "/" + name;
    WriteWholeFile(path, WriteModel(m));
    return path;
}

inline ModelLoadContext Context(GpuStore* gpu, const std::string& dataRoot, bool vbo = true) {
    ModelLoadContext c;
    c.Gpu = gpu;
    c.DataRoot = dataRoot;
    c.VBOSupported = vbo;
    c.Shared = std::make_shared<ModelRenderShared>();
    return c;
}

// Looking down -z at the square [-1, 1]^2; modelview identity; black background, white colour.
inline void OrthoView() {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-1, 1, -1, 1, -10, 10);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glColor4f(1, 1, 1, 1);
}

// The pixel at the centre of world point (x, y) under OrthoView in a 256 x 256 window.
inline const uint8_t* PixelAt(const Pixels& p, float x, float y) {
    const int px = static_cast<int>((x + 1.0f) * 0.5f * p.width);
    const int py = static_cast<int>((y + 1.0f) * 0.5f * p.height);
    return p.At(px, py);
}

inline bool Near(const uint8_t* px, int r, int g, int b, int tolerance = 40) {
    return std::abs(px[0] - r) <= tolerance && std::abs(px[1] - g) <= tolerance && std::abs(px[2] - b) <= tolerance;
}

}  // namespace tv::test
