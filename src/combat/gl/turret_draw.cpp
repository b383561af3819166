// The turret's loading and drawing: model, textures, shadow, beams, sight and radar.
#include <epoxy/gl.h>

#include "combat/turret.h"
#include "common/data_paths.h"
#include "platform/paths.h"
#include "render/gl/oriented_box_draw.h"
#include "render/gl/gpu_store.h"

namespace tv {

std::unique_ptr<TTurel> TTurel::Create(const std::string& modelPath, const std::string& dataRoot,
                                       const ModelLoadContext& context) {
    auto turret = std::make_unique<TTurel>(TModel::Create(modelPath, context));
    if (GpuStore* gpu = context.Gpu) {
        turret->Sight.Texture = gpu->NewTexture(DataPath(dataRoot, paths::kSightTexture)).id();
        turret->radarTexture_ = gpu->NewTexture(DataPath(dataRoot, paths::kRadarTexture)).id();
    }
    return turret;
}

void TTurel::DrawShadow(const Vec3& sunDir) {
    if (!Model) return;
    // A flattened black copy on the ground, pushed away from the sun.
    glDisable(GL_DEPTH_TEST);
    glPushMatrix();
    glTranslatef(Position.x - 7.0f * sunDir.x, Position.y - 7.0f * sunDir.y, 0.01f);
    glScalef(1.0f, 1.0f, 0.01f);
    glRotatef(10.0f, 0.0f, 1.0f, 0.0f);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColor4f(0.0f, 0.0f, 0.0f, 1.0f);
    Model->DrawSkinnedTriangles();
    glDisable(GL_BLEND);
    glEnable(GL_DEPTH_TEST);
    glPopMatrix();
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
}

void TTurel::Draw(const double camera[16]) {
    if (Model) {
        glPushMatrix();
        glTranslatef(Position.x, Position.y, Position.z);
        if (Model->Transparent == 1) {
            glEnable(GL_ALPHA_TEST);
            glAlphaFunc(GL_GREATER, 0.5f);
        }
        glEnable(GL_TEXTURE_2D);
        Model->SkinAndDrawTriangles();
        glDisable(GL_ALPHA_TEST);
        glDisable(GL_TEXTURE_2D);
        glDisable(GL_BLEND);
        if (LaserOn == 1) DrawBeams(camera);
        glPopMatrix();
    }
}

void TTurel::DrawBeams(const double camera[16]) {
    glLoadMatrixd(camera);
    glDisable(GL_LIGHTING);
    glDepthMask(GL_FALSE);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    for (auto [muzzle, length] : {std::pair{Muzzle1, BeamLength1}, std::pair{Muzzle2, BeamLength2}}) {
        BeamBox.Position() = muzzle;
        BeamBox.Pivot() = muzzle;
        BeamBox.Dimensions() = {0.1f, length, 0.1f};
        BeamBox.DrawAngles() = {Pitch, 0.0f, Yaw};
        // The beams fade as the store drains.
        glColor4f(0.7f, 1.0f, 0.3f, LaserPower);
        DrawOrientedBox(BeamBox);
    }
    glDisable(GL_BLEND);
    glDepthMask(GL_TRUE);
}

void TTurel::DrawSight(const double camera[16]) {
    glLoadMatrixd(camera);
    Sight.Position = SightPoint();
    DrawBillboard(Sight);
}

void TTurel::DrawRadar(float cx, float cy, float halfSize, float range, int32_t width, int32_t height) {
    const float s = halfSize;
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE);
    glDepthMask(GL_FALSE);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, radarTexture_);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0.0, width, 0.0, height, -1.0, 10.0);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();

    auto quad = [](float x0, float y0, float x1, float y1) {
        glBegin(GL_QUADS);
        glTexCoord2f(0, 0);
        glVertex2f(x0, y0);
        glTexCoord2f(1, 0);
        glVertex2f(x1, y0);
        glTexCoord2f(1, 1);
        glVertex2f(x1, y1);
        glTexCoord2f(0, 1);
        glVertex2f(x0, y1);
        glEnd();
    };
    glColor3f(0.0f, 0.2f, 0.0f);
    quad(cx - s, cy - s, cx + s, cy + s);

    glColor3f(0.5f, 0.0f, 0.0f);
    const float b = s / 20.0f;
    if (Targets) {
        for (int32_t i = 0; i < Targets->Count(); ++i) {
            float px = 0.0f, py = 0.0f;
            if (RadarBlip(Position, Targets->Position(i), cx, cy, s, range, px, py)) quad(px - b, py - b, px + b, py + b);
        }
    }

    glDisable(GL_TEXTURE_2D);
    glLineWidth(10.0f);  // left at 10, as the axes leave it
    glColor4f(1.0f, 0.0f, 0.0f, 0.5f);
    float hx = 0.0f, hy = 0.0f;
    RadarHeading(cx, cy, s, Yaw, hx, hy);
    glBegin(GL_LINES);
    glVertex2f(cx, cy);
    glVertex2f(hx, hy);
    glEnd();

    glDisable(GL_BLEND);
    glDepthMask(GL_TRUE);
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glColor3f(1.0f, 1.0f, 1.0f);
}

void InitTurret(std::unique_ptr<TTurel>& turret, const std::string& dataRoot, bool vboSupported,
                LoadingProgress* progress, GpuStore* gpu) {
    ModelLoadContext context;
    context.Gpu = gpu;
    context.DataRoot = dataRoot;
    context.VBOSupported = vboSupported;
    context.Progress = progress;
    // Held as soon as it exists: a failing animation leaves the turret in place, unarmed.
    turret = TTurel::Create(DataPath(dataRoot, paths::kTurretModel), dataRoot, context);
    turret->AddAnimation(DataPath(dataRoot, paths::kTurretAnimation));
    turret->Animated = 1;
    turret->Position = {500.0f, 500.0f, 0.0f};
    turret->Life = 1000.0f;
    turret->LaserDamageRate = 0.01f;
    turret->Shells = 15000;
}

}  // namespace tv
