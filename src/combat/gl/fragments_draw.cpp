// Loading the wreck pieces' models and textures, and drawing the live fragments.
#include <epoxy/gl.h>

#include <string>
#include <string_view>

#include "combat/fragments.h"
#include "common/data_paths.h"
#include "platform/paths.h"
#include "render/gl/gpu_store.h"

namespace tv {

namespace {

// Piece files in model-index order (BuildWreckTable gives each kind its share of them).
constexpr std::array<std::string_view, 10> kPieceFiles = {
    paths::kSu25Fragments[0],    paths::kSu25Fragments[1],    paths::kSu25Fragments[2],
    paths::kStealthFragments[0], paths::kStealthFragments[1], paths::kStealthFragments[2],
    paths::kFighterFragments[0], paths::kFighterFragments[1], paths::kBossFragments[0],
    paths::kBossFragments[1]};
constexpr std::array<std::string_view, 4> kKindTextures = {paths::kSu25Texture, paths::kStealthTexture,
                                                           paths::kFighterTexture, paths::kSaucerTexture};

}  // namespace

void InitFragments(T_Fragments_System_Planes& fs, const ModelLoadContext& context) {
    BuildWreckTable(fs);
    fs.PieceModels.clear();
    for (std::string_view file : kPieceFiles) {
        fs.PieceModels.push_back(TModel::Create(DataPath(context.DataRoot, file), context));
        ++fs.PieceModelCount;
    }
    for (size_t k = 0; k < kKindTextures.size(); ++k) {
        if (!context.Gpu) continue;
        fs.KindTable[k].Texture = context.Gpu->NewTexture(DataPath(context.DataRoot, kKindTextures[k])).id();
    }
}

void DrawFragments(T_Fragments_System_Planes& fs, const double camera[16]) {
    glEnable(GL_TEXTURE_2D);
    glColor3f(1.0f, 1.0f, 1.0f);
    for (int32_t i = 0; i < fs.Count; ++i) {
        const TFragment& f = fs.Fragments[i];
        if (f.PieceModel < 0 || f.PieceModel >= static_cast<int32_t>(fs.PieceModels.size())) continue;
        TModel* model = fs.PieceModels[f.PieceModel].get();
        if (!model) continue;
        glLoadMatrixd(camera);
        glTranslatef(f.Pos.x, f.Pos.y, f.Pos.z);
        model->SetFirstTexture(f.Texture);
        model->DrawRest(1, true);
    }
    glDisable(GL_TEXTURE_2D);
}

}  // namespace tv
