#include "gl_context.h"

#include <SDL2/SDL.h>
#include <epoxy/gl.h>
#include <png.h>

#include <cstdio>
#include <filesystem>

namespace tv::test {

OffscreenGlContext::OffscreenGlContext(int width, int height) : width_(width), height_(height) {
    if (!SDL_WasInit(SDL_INIT_VIDEO) && SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        error_ = SDL_GetError();
        return;
    }
    window_ = std::make_unique<sdl::GlWindow>("test", width, height);
    if (!window_->Ok()) {
        error_ = window_->Error();
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
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(f);
        return false;
    }
    png_init_io(png, f);
    png_set_IHDR(png, info, pixels.width, pixels.height, 8, PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int row = pixels.height - 1; row >= 0; --row) {
        png_write_row(png, pixels.rgba.data() + static_cast<size_t>(row) * pixels.width * 4);
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
    return true;
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
    while (glGetError() != GL_NO_ERROR) {
    }
}

void GlTest::TearDown() {
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
