// Loading the sprites' textures and drawing them in immediate mode.
#include <epoxy/gl.h>

#include "combat/sprites.h"
#include "render/gl/gpu_store.h"

namespace tv {
namespace {

std::array<float, 16> CurrentModelview() {
    std::array<float, 16> m{};
    glGetFloatv(GL_MODELVIEW_MATRIX, m.data());
    return m;
}

void LoadInto(GpuStore* gpu, std::vector<uint32_t>& textures, const std::string& path) {
    textures.push_back(gpu ? gpu->NewTexture(path).id() : 0u);
}

void EmitStrip(const std::array<Vec3, 4>& corners, const float (&st)[4][2]) {
    glBegin(GL_TRIANGLE_STRIP);
    for (int k = 0; k < 4; ++k) {
        glTexCoord2f(st[k][0], st[k][1]);
        glVertex3f(corners[k].x, corners[k].y, corners[k].z);
    }
    glEnd();
}

}  // namespace

void AddExplosionTexture(GpuStore* gpu, T_Explosion_System& set, const std::string& path) {
    LoadInto(gpu, set.Textures, path);
}

void AddFlameTexture(GpuStore* gpu, T_Fire_Jet& flame, const std::string& path) {
    LoadInto(gpu, flame.Textures, path);
}

void DrawExplosionFrame(const T_Explosion_System& set, int32_t frame, int32_t textureIndex, float x, float y,
                        float z) {
    DrawExplosionFrame(set, set.Size, frame, textureIndex, x, y, z);
}

void DrawExplosionFrame(const T_Explosion_System& set, float size, int32_t frame, int32_t textureIndex, float x,
                        float y, float z) {
    if (textureIndex < 0 || static_cast<size_t>(textureIndex) >= set.Textures.size()) return;
    const std::array<float, 16> m = CurrentModelview();
    glColor3f(1.0f, 1.0f, 1.0f);
    glDepthMask(GL_FALSE);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, set.Textures[static_cast<size_t>(textureIndex)]);
    const AtlasRows rows = ExplosionFrameRows(set, frame);
    const float st[4][2] = {{1, rows.T0}, {0, rows.T0}, {1, rows.T1}, {0, rows.T1}};
    EmitStrip(FacingCorners(m.data(), {x, y, z}, size), st);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
    glDepthMask(GL_TRUE);
}

void DrawFlame(const T_Fire_Jet& flame, int32_t textureIndex, float& angleDeg, float x, float y, float z) {
    if (textureIndex < 0 || static_cast<size_t>(textureIndex) >= flame.Textures.size()) return;
    glDepthMask(GL_FALSE);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, flame.Textures[static_cast<size_t>(textureIndex)]);
    angleDeg = NextFlameAngle(angleDeg);
    const float top = z + flame.Length;
    glBegin(GL_QUADS);
    for (const FinCorners& c : FlameFins(flame.Width, angleDeg)) {
        glTexCoord2f(0, 1);
        glVertex3f(x + c[0][0], y + c[0][1], top);
        glTexCoord2f(1, 1);
        glVertex3f(x + c[1][0], y + c[1][1], top);
        glTexCoord2f(1, 0);
        glVertex3f(x + c[2][0], y + c[2][1], z);
        glTexCoord2f(0, 0);
        glVertex3f(x + c[3][0], y + c[3][1], z);
    }
    glEnd();
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
    glDepthMask(GL_TRUE);
}

void DrawBillboard(const BillboardSprite& sprite) {
    const std::array<float, 16> m = CurrentModelview();
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, sprite.Texture);
    glColor3f(sprite.Color[0], sprite.Color[1], sprite.Color[2]);
    const float st[4][2] = {{0, 1}, {1, 1}, {0, 0}, {1, 0}};
    EmitStrip(FacingCorners(m.data(), sprite.Position, sprite.Size), st);
    glDisable(GL_BLEND);
    glDisable(GL_TEXTURE_2D);
    glEnable(GL_DEPTH_TEST);
}

}  // namespace tv
