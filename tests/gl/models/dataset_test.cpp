// Every model of the generated data set loads and draws without a GL error, in both vertex
// paths; the turret takes its animation; the sky loads the way the start-up loads it.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "common/data_paths.h"
#include "model_fixtures.h"
#include "models/animation_load.h"
#include "models/model.h"
#include "models/sky.h"
#include "platform/paths.h"

namespace tv::test {
namespace {

class DataSetModels : public GlTest {};

std::vector<std::string> GeneratedModels() {
    std::vector<std::string> found;
    const std::filesystem::path root(TERRAVIK_GAME_DIR);
    if (!std::filesystem::exists(root)) return found;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
        std::string ext = entry.path().extension().string();
        std::transform(ext.begin(), ext.end(), ext.begin(), ::tolower);
        if (entry.is_regular_file() && ext == ".3dk") found.push_back(entry.path().string());
    }
    std::sort(found.begin(), found.end());
    return found;
}

TEST_F(DataSetModels, EveryModelLoadsAndDrawsWithoutGlError) {
    const std::vector<std::string> models = GeneratedModels();
    ASSERT_GE(models.size(), 10u) << "no generated data set under " << TERRAVIK_GAME_DIR;
    const std::string root = std::string(TERRAVIK_GAME_DIR) + "/";
    for (bool vbo : {true, false}) {
        const ModelLoadContext context = Context(gpu.get(), root, vbo);
        for (const std::string& path : models) {
            SCOPED_TRACE(path + (vbo ? " (vertex buffer)" : " (client arrays)"));
            std::unique_ptr<TModel> model;
            ASSERT_NO_THROW(model = TModel::Create(path, context));
            OrthoView();
            glScalef(0.01f, 0.01f, 0.01f);
            model->Draw(1, true, false, 0, 0.0f);
            model->DrawRest(1, true);
            model->Draw(model->Transparent, true, true, 0, 0.0f);  // no animation: rest pose
            EXPECT_EQ(GlError(), 0u);
            EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
            EXPECT_FALSE(glIsEnabled(GL_VERTEX_ARRAY));
            glDisable(GL_ALPHA_TEST);
        }
    }
}

TEST_F(DataSetModels, TurretAnimatesAndSkyLoadsLikeTheStartUp) {
    const std::string root = std::string(TERRAVIK_GAME_DIR) + "/";
    const ModelLoadContext context = Context(gpu.get(), root);
    auto turret = TModel::Create(DataPath(root, paths::kTurretModel), context);
    ASSERT_EQ(AddSmdAnimation(*turret, DataPath(root, paths::kTurretAnimation)), 0);
    ASSERT_FALSE(turret->Animations[0].Frames.empty());
    OrthoView();
    turret->Draw(1, true, true, 0, 0.0f);
    EXPECT_EQ(GlError(), 0u);

    TSky sky;
    InitSky(sky, root, true, nullptr, gpu.get());
    EXPECT_EQ(sky.Scale, 1.0f);
    EXPECT_EQ(sky.TextureFileName, "2.jpg");
    ASSERT_FALSE(sky.Model->TextureNames.empty());
    // From the sphere's centre, as the frame draws it around the eye.
    OrthoView();
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glFrustum(-0.1, 0.1, -0.1, 0.1, 0.1, 1000.0);
    glMatrixMode(GL_MODELVIEW);
    sky.DrawAt({0, 0, 0});
    EXPECT_EQ(sky.Model->Texture(0), sky.Texture());
    EXPECT_EQ(GlError(), 0u);
    // Something of the sky covers the view's centre.
    const Pixels p = ReadPixels(kWidth / 2, kHeight / 2, 1, 1);
    EXPECT_GT(p.rgba[0] + p.rgba[1] + p.rgba[2], 30);
}

}  // namespace
}  // namespace tv::test
