#include "models/sky.h"

#include <epoxy/gl.h>

#include "common/data_paths.h"
#include "platform/paths.h"
#include "render/texture.h"

namespace tv {

void TSky::SetTexture(const std::string& path) {
    if (!TextureFileName.empty()) texture_.Unload();
    TextureFileName = path;
    texture_ = LoadTexture(path);
    const size_t cut = TextureFileName.find_last_of("\\/");
    if (cut != std::string::npos) TextureFileName.erase(0, cut + 1);
}

void TSky::Draw() {
    if (!Model) return;
    glDisable(GL_DEPTH_TEST);
    DrawSphere();
    glEnable(GL_DEPTH_TEST);
}

void TSky::DrawBehind() {
    if (!Model) return;
    glPushAttrib(GL_DEPTH_BUFFER_BIT | GL_VIEWPORT_BIT);  // the depth range is viewport state
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glDepthMask(GL_FALSE);
    glDepthRange(1.0, 1.0);
    DrawSphere();
    glPopAttrib();
}

void TSky::DrawSphere() {
    glPushMatrix();
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glTranslatef(X, Y, Z);
    glEnable(GL_TEXTURE_2D);
    glScalef(Scale, Scale, Scale);
    if (!Model->TextureNames.empty()) Model->SetFirstTexture(texture_.id());
    Model->DrawRest(1, true);
    glDisable(GL_TEXTURE_2D);
    glPopMatrix();
}

void TSky::DrawAt(const Vec3& eye) {
    X = eye.x;
    Y = eye.y;
    Z = eye.z;
    Draw();
}

void InitSky(TSky& sky, const std::string& dataRoot, bool vboSupported, LoadingProgress* progress) {
    ModelLoadContext context;
    context.DataRoot = dataRoot;
    context.VBOSupported = vboSupported;
    context.Progress = progress;
    sky.Model = TModel::CreateGeometryOnly(DataPath(dataRoot, paths::kSkyModel), context);
    sky.SetTexture(DataPath(dataRoot, paths::kSkyTexture));
    sky.Scale = 1.0f;
}

}  // namespace tv
