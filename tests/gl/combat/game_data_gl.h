#pragma once
// Shared fixture for combat GL tests that load the generated data set: a fresh context with
// the image library ready and the game's depth state (test on, less-or-equal).

#include <epoxy/gl.h>

#include <string>

#include "gl_context.h"
#include "render/gl/texture.h"

namespace tv::test {

class GameDataGlTest : public GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        InitImageLibrary();
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(GL_LEQUAL);
    }
    const std::string root = std::string(TERRAVIK_GAME_DIR) + "/";
};

}  // namespace tv::test
