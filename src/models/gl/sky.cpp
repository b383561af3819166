#include "models/sky.h"

#include <epoxy/gl.h>

#include "common/data_paths.h"
#include "platform/paths.h"
#include "render/gl/gpu_store.h"

namespace tv {

void TSky::SetTexture(GpuStore* gpu, const std::string& path) {
    if (gpu && !TextureFileName.empty()) gpu->DeleteTexture(texture_);
    TextureFileName = path;
    texture_ = gpu ? gpu->NewTexture(path).id() : 0;
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
    if (!Model->TextureNames.empty()) Model->SetFirstTexture(texture_);
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

void InitSky(TSky& sky, const std::string& dataRoot, bool vboSupported, LoadingProgress* progress,
             GpuStore* gpu) {
    ModelLoadContext context;
    context.Gpu = gpu;
    context.DataRoot = dataRoot;
    context.VBOSupported = vboSupported;
    context.Progress = progress;
    sky.Model = TModel::CreateGeometryOnly(DataPath(dataRoot, paths::kSkyModel), context);
    sky.SetTexture(gpu, DataPath(dataRoot, paths::kSkyTexture));
    sky.Scale = 1.0f;
}

}  // namespace tv
