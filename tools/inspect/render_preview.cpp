#include "render_preview.h"

#include <SDL2/SDL.h>
#include <epoxy/gl.h>
// GLU after epoxy, which provides the GL declarations it needs.
#include <GL/glu.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iostream>
#include <vector>

#include "common/binary_io.h"
#include "common/report.h"
#include "models/model.h"
#include "sdl/gl_context_sdl.h"
#include "render/gl/gpu_store.h"
#include "render/png_file.h"

namespace tv::inspect {

namespace {

// Shuts SDL down once the preview's window has gone.
struct SdlVideo {
    ~SdlVideo() { SDL_Quit(); }
};

// Views: direction from the model's centre to the eye (z is up).
constexpr float kViews[3][3] = {{0.0f, -1.0f, 0.15f}, {1.0f, 0.0f, 0.15f}, {-0.8f, -0.9f, 1.1f}};

void DrawView(TModel& model, int index) {
    const Vec3 c = model.BoundingBox.centre;
    const Vec3 s = model.BoundingBox.size;
    float radius = 0.5f * std::sqrt(s.x * s.x + s.y * s.y + s.z * s.z);
    if (model.ModelType == ModelType::Billboard) radius = std::max(radius, std::max(model.Billboard.HalfWidth, model.Billboard.Height));
    if (!(radius > 1e-4f)) radius = 1.0f;
    const float* d = kViews[index];
    const float len = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
    const double fovDeg = 40.0;
    const float distance = radius / std::sin(static_cast<float>(fovDeg * M_PI / 360.0)) * 1.05f;
    const float ex = c.x + d[0] / len * distance, ey = c.y + d[1] / len * distance, ez = c.z + d[2] / len * distance;

    glViewport(index * kViewSize, 0, kViewSize, kViewSize);
    glScissor(index * kViewSize, 0, kViewSize, kViewSize);
    glEnable(GL_SCISSOR_TEST);
    glClearColor(0.3f, 0.3f, 0.3f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glDisable(GL_SCISSOR_TEST);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(fovDeg, 1.0, std::max(0.01f, distance - radius * 2.0f), distance + radius * 2.0f);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(ex, ey, ez, c.x, c.y, c.z, 0, 0, 1);

    // Upright billboards face the eye, as the particle code sets them up each frame.
    const float hx = c.x - ex, hy = c.y - ey, hl = std::sqrt(hx * hx + hy * hy);
    if (hl > 0.0f) model.Shared().Sides = {-hy / hl * 0.5f, hx / hl * 0.5f, hy / hl * 0.5f, -hx / hl * 0.5f};

    glColor4f(1, 1, 1, 1);
    model.DrawRest(1, true);
}

}  // namespace

int RenderPreview(const std::string& modelPath, const std::string& outPng, const std::string& dataDir) {
    if (!SDL_getenv("SDL_VIDEODRIVER")) SDL_SetHint(SDL_HINT_VIDEODRIVER, "offscreen");
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        ReportAs("", Error(std::string("no video: ") + SDL_GetError()));
        return 1;
    }
    SdlVideo video;
    const int width = kViewSize * 3, height = kViewSize;
    sdl::GlWindow window("preview", width, height);
    if (!window.Ok()) {
        ReportAs("", Error("no OpenGL context: " + window.status().Message()));
        return 1;
    }

    std::vector<uint8_t> pixels(static_cast<size_t>(width) * height * 4);
    try {
        ModelLoadContext load;
        load.DataRoot = dataDir;
        load.VBOSupported = epoxy_has_gl_extension("GL_ARB_vertex_buffer_object");
        load.Shared = std::make_shared<ModelRenderShared>();
        GpuStore gpu;  // the preview's GPU objects, deleted below while the context is current
        load.Gpu = &gpu;
        InitImageLibrary();
        std::unique_ptr<TModel> model = TModel::Create(modelPath, load);
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(GL_LEQUAL);
        glShadeModel(GL_SMOOTH);
        for (int view = 0; view < 3; ++view) DrawView(*model, view);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
        if (const GLenum error = glGetError(); error != GL_NO_ERROR) {
            char code[16];
            std::snprintf(code, sizeof code, "%x", static_cast<unsigned>(error));
            ReportAs("", Error(modelPath, std::string("GL error 0x") + code));
            return 1;
        }
        model.reset();
        gpu.Release();
    } catch (const DataError& e) {
        ReportAs("", e);
        return 1;
    } catch (const std::exception& e) {
        ReportAs("", Error(modelPath, e.what()));
        return 1;
    }
    // Opaque: the context has the game's alpha channel, which some textures (trees) leave below 1.
    if (!WriteRgbaPng(outPng, width, height, pixels.data(), RowOrder::BottomUp, true)) {
        ReportAs("", Error(outPng, "cannot write"));
        return 1;
    }
    return 0;
}

int RenderCommand(int argc, char** argv, const std::string& defaultDataDir) {
    std::string dataDir = defaultDataDir;
    std::vector<std::string> rest;
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--data-dir" && i + 1 < argc) {
            dataDir = argv[++i];
            if (!dataDir.empty() && dataDir.back() != '/') dataDir += '/';
        } else {
            rest.push_back(arg);
        }
    }
    if (rest.size() != 2) {
        WriteStderr("usage: terravik-inspect --render FILE.3dk OUT.png [--data-dir DIR]\n");
        return 2;
    }
    return RenderPreview(rest[0], rest[1], dataDir);
}

}  // namespace tv::inspect
