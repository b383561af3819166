// The water's GL side: its texture and the textured quad strips. The wave rule is in water.cpp.
#include <epoxy/gl.h>

#include "common/data_paths.h"
#include "platform/paths.h"
#include "render/gl/gpu_store.h"
#include "world/water.h"

namespace tv {

void WaterSetTexture(GpuStore* gpu, TWater& w, const std::string& dataRoot, const std::string& name) {
    if (gpu) gpu->DeleteTexture(w.Texture);
    w.Texture = 0;
    w.TextureName = name;
    if (gpu) w.Texture = gpu->NewTexture(DataPath(dataRoot, std::string(paths::kWaterFolder) + name)).id();
}

void WaterDraw(const TWater& w) {
    const int g = w.GridCount;
    glPushMatrix();
    glTranslatef(w.Position.x, w.Position.y, w.Position.z);
    glRotatef(90.0f, 1.0f, 0.0f, 0.0f);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, w.Texture);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_COLOR, GL_ONE);
    glColor4ub(255, 255, 255, 100);
    for (int s = 0; s + 1 < g; ++s) {
        glBegin(GL_QUAD_STRIP);
        for (int i = 0; i < g; ++i) {
            const Vec3& n1 = w.Normals[w.Index(i, s + 1)];
            const Vec3& v1 = w.Vertices[w.Index(i, s + 1)];
            glTexCoord2f(static_cast<float>(i) * w.TexScale, static_cast<float>(s + 1) * w.TexScale);
            glNormal3f(n1.x, n1.y, n1.z);
            glVertex3f(v1.x, v1.y, v1.z);
            const Vec3& n0 = w.Normals[w.Index(i, s)];
            const Vec3& v0 = w.Vertices[w.Index(i, s)];
            glTexCoord2f(static_cast<float>(i) * w.TexScale, static_cast<float>(s) * w.TexScale);
            glNormal3f(n0.x, n0.y, n0.z);
            glVertex3f(v0.x, v0.y, v0.z);
        }
        glEnd();
    }
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
    glPopMatrix();
}

}  // namespace tv
