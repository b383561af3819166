#pragma once
// A real OpenGL compatibility context for tests, made headless with SDL's offscreen
// video driver on Mesa (llvmpipe). Every GL test derives its fixture from GlTest.

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "render/gl/gpu_store.h"
#include "sdl/gl_context_sdl.h"

namespace tv::test {

// Owns a hidden window and its compatibility-profile context (double buffer, RGBA8, 24-bit depth).
class OffscreenGlContext {
public:
    OffscreenGlContext(int width, int height);
    ~OffscreenGlContext();
    OffscreenGlContext(const OffscreenGlContext&) = delete;
    OffscreenGlContext& operator=(const OffscreenGlContext&) = delete;

    bool Ok() const { return window_ && window_->Ok(); }
    const std::string& Error() const { return error_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    void Swap();

private:
    int width_;
    int height_;
    std::unique_ptr<sdl::GlWindow> window_;
    std::string error_;
};

// RGBA pixels read back from the back buffer, rows bottom-up as GL returns them.
struct Pixels {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgba;
    const uint8_t* At(int x, int y) const { return &rgba[(static_cast<size_t>(y) * width + x) * 4]; }
};
Pixels ReadPixels(int x, int y, int width, int height);
// Writes pixels (bottom-up rows) as a PNG, top row first; for looking at test output.
bool WritePng(const std::string& path, const Pixels& pixels);
// A scratch folder for one test, emptied first: <build>/test-tmp/<name>.
std::string ScratchDir(const std::string& name);

// Fixture: a fresh 256 x 256 context per test, viewport set, GL errors cleared, and a store
// for the GPU objects the test loads, released before the context goes.
class GlTest : public ::testing::Test {
protected:
    static constexpr int kWidth = 256;
    static constexpr int kHeight = 256;
    void SetUp() override;
    void TearDown() override;
    // The first pending GL error, or 0 (GL_NO_ERROR); clears the queue.
    unsigned GlError();
    OffscreenGlContext* gl_ = nullptr;
    std::unique_ptr<GpuStore> gpu;
};

}  // namespace tv::test
