#include "render/gl/yardstick.h"

#include <epoxy/gl.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <vector>

#include "render/gl/gl_matrices.h"

namespace tv {

LayerYardstick::~LayerYardstick() = default;  // GL names go with Release, while the context lives

void LayerYardstick::Release() {
    if (texture_) glDeleteTextures(1, &texture_);
    texture_ = 0;
}

void LayerYardstick::DrawLayer(int width, int height) {
    glPushAttrib(GL_ALL_ATTRIB_BITS);  // the texture binding included
    if (!texture_) {
        // A checker with a gradient, so the sampler cannot shortcut a constant image.
        constexpr int kSide = 256;
        std::vector<uint8_t> pixels(kSide * kSide * 4);
        for (int y = 0; y < kSide; ++y)
            for (int x = 0; x < kSide; ++x) {
                uint8_t* p = &pixels[static_cast<size_t>(y * kSide + x) * 4];
                const bool dark = ((x / 16) + (y / 16)) % 2;
                p[0] = static_cast<uint8_t>(x);
                p[1] = static_cast<uint8_t>(y);
                p[2] = dark ? 40 : 220;
                p[3] = 255;
            }
        glGenTextures(1, &texture_);
        glBindTexture(GL_TEXTURE_2D, texture_);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, kSide, kSide, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    }
    glViewport(0, 0, width, height);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);
    glDisable(GL_LIGHTING);
    glDisable(GL_CULL_FACE);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, texture_);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    DrawViewportQuad();
    glPopAttrib();
}

double LayerYardstick::MeasureMs(int width, int height, int rounds, int layers) {
    using Clock = std::chrono::steady_clock;
    rounds = std::max(rounds, 1);
    layers = std::max(layers, 1);
    DrawLayer(width, height);  // the texture upload and the first draw's warm-up stay out
    glFinish();
    std::vector<double> perLayer;
    for (int r = 0; r < rounds; ++r) {
        const auto start = Clock::now();
        for (int k = 0; k < layers; ++k) DrawLayer(width, height);
        glFinish();
        perLayer.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count() / layers);
    }
    std::nth_element(perLayer.begin(), perLayer.begin() + rounds / 2, perLayer.end());
    return perLayer[static_cast<size_t>(rounds / 2)];
}

}  // namespace tv
