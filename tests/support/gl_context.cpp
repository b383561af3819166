#include "gl_context.h"

#include <SDL2/SDL.h>
#include <epoxy/gl.h>

#include <filesystem>

#include "render/png_file.h"

namespace tv::test {

OffscreenGlContext::OffscreenGlContext(int width, int height) : width_(width), height_(height) {
    if (!SDL_WasInit(SDL_INIT_VIDEO) && SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        error_ = SDL_GetError();
        return;
    }
    window_ = std::make_unique<sdl::GlWindow>("test", width, height);
    if (!window_->Ok()) {
        error_ = window_->status().Message();
        return;
    }
    glViewport(0, 0, width, height);
}

OffscreenGlContext::~OffscreenGlContext() = default;

void OffscreenGlContext::Swap() {
    if (window_) window_->Swap();
}

Pixels ReadPixels(int x, int y, int width, int height) {
    Pixels p;
    p.width = width;
    p.height = height;
    p.rgba.resize(static_cast<size_t>(width) * height * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, width, height, GL_RGBA, GL_UNSIGNED_BYTE, p.rgba.data());
    return p;
}

bool WritePng(const std::string& path, const Pixels& pixels) {
    return WriteRgbaPng(path, pixels.width, pixels.height, pixels.rgba.data(), RowOrder::BottomUp);
}

std::string ScratchDir(const std::string& name) {
    std::filesystem::path dir = std::filesystem::path(TERRAVIK_TEST_TMP) / name;
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir.string();
}

void GlTest::SetUp() {
    gl_ = new OffscreenGlContext(kWidth, kHeight);
    ASSERT_TRUE(gl_->Ok()) << "no OpenGL context: " << gl_->Error();
    gpu = std::make_unique<GpuStore>();
    while (glGetError() != GL_NO_ERROR) {
    }
}

void GlTest::TearDown() {
    gpu.reset();
    delete gl_;
    gl_ = nullptr;
}

unsigned GlTest::GlError() {
    GLenum first = glGetError();
    while (glGetError() != GL_NO_ERROR) {
    }
    return first;
}

}  // namespace tv::test
