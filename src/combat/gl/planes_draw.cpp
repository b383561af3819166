// Loading and drawing of the aircraft system (GL).
#include <epoxy/gl.h>

#include <algorithm>
#include <array>
#include <cmath>

#include "combat/planes.h"
#include "math/frustum.h"
#include "common/data_paths.h"
#include "platform/paths.h"
#include "render/gl/draw_parts.h"
#include "world/particles.h"

namespace tv {

namespace {

constexpr std::array<std::string_view, kPlaneModelCount> kModelFiles = {
    paths::kSu25Model,    paths::kSu25Wreck,    paths::kStealthModel, paths::kStealthWreck,
    paths::kFighterModel, paths::kFighterWreck, paths::kBossModel,    paths::kBossWreck};

// The smoke's atlas: 16 frames of 128 pixels in 2048.
constexpr int32_t kSmokeAtlasHeight = 2048;
constexpr int32_t kSmokeFrameHeight = 128;
constexpr int32_t kSmokeFrames = 16;

void PlaceAircraft(const double camera[16], const TPlane& p) {
    glLoadMatrixd(camera);
    glTranslatef(p.Pos.x, p.Pos.y, p.Pos.z);
    glRotatef(p.Roll, 1.0f, 0.0f, 0.0f);
    glRotatef(p.Heading, 0.0f, 0.0f, 1.0f);
    glRotatef(p.PitchAngle, 0.0f, 1.0f, 0.0f);
}

// The body of a visible aircraft; a transparent model blends with flat shading.
void DrawBody(const double camera[16], const TPlane& p, TModel& model) {
    PlaceAircraft(camera, p);
    if (model.Transparent == 1) {
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        glShadeModel(GL_FLAT);
    }
    model.DrawRest(1, true);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
    glShadeModel(GL_SMOOTH);
}

// Engine flames, visible body or not: one jet, or the boss's row of five, turned from the
// angle Step left for this aircraft.
void DrawEngineFlames(const double camera[16], const TPlane& p, const std::vector<T_Fire_Jet>& flameSets,
                      const Frustum* view) {
    if (p.FlameSet < 0 || p.FlameSet >= static_cast<int32_t>(flameSets.size())) return;
    const T_Fire_Jet& flame = flameSets[static_cast<size_t>(p.FlameSet)];
    const Vec3 a = p.FlameAnchor;
    const int flames = p.FlameSet == 0 ? 1 : 5;
    // Fins around the anchor, up to 7 to either side, Length long.
    const float reach = std::sqrt(a.x * a.x + a.y * a.y + a.z * a.z) + 7.0f + std::fabs(flame.Width) +
                        std::fabs(flame.Length) + 1.0f;
    if (view && !view->SphereInFrustum(p.Pos.x, p.Pos.y, p.Pos.z, reach)) return;
    PlaceAircraft(camera, p);
    float angle = p.FlameAngle;
    if (flames == 1) {
        DrawFlame(flame, 0, angle, a.x, a.y, a.z);
    } else {
        for (float side : {-7.0f, -3.5f, 0.0f, 3.5f, 7.0f}) DrawFlame(flame, 0, angle, a.x, a.y + side, a.z);
    }
}

// Two layers of the explosion's current frame at the aircraft while the frame count lasts.
void DrawExplosion(const TPlane& p, const std::vector<T_Explosion_System>& explosionSets) {
    if (!(p.ExplosionFrame > 0.0f) || p.ExplosionSet < 0 ||
        p.ExplosionSet >= static_cast<int32_t>(explosionSets.size()))
        return;
    const T_Explosion_System& set = explosionSets[static_cast<size_t>(p.ExplosionSet)];
    const auto f = static_cast<int32_t>(p.ExplosionFrame);
    DrawExplosionFrame(set, p.ExplosionSize, f, 0, p.Pos.x, p.Pos.y, p.Pos.z);
    DrawExplosionFrame(set, p.ExplosionSize, f, 1, p.Pos.x, p.Pos.y, p.Pos.z);
}

// The farthest any point of the model's box lies from its origin, with room to spare for
// the rounding of the GL transform.
float ReachOf(const TModel& m) {
    float r2 = 0.0f;
    for (const Vec3& c : m.BoxCorners) r2 = std::max(r2, c.x * c.x + c.y * c.y + c.z * c.z);
    return std::sqrt(r2) * 1.25f + 1.0f;
}

}  // namespace

// The squashed model's transform worked out on the CPU, so that every aircraft's oval goes
// into one draw.
void AppendShadowOval(const TModel& m, float sx, float sy, float headingDeg, float k, std::vector<float>& out) {
    constexpr int kSides = 16;
    const float cy = m.BoundingBox.centre.y, cz = m.BoundingBox.centre.z;
    const float ry = m.BoundingBox.size.y / 2.0f, rz = m.BoundingBox.size.z / 2.0f;
    const float h = headingDeg * (3.14159265f / 180.0f);
    const float c = std::cos(h), s = std::sin(h);
    // The model's y runs along the heading's left, its z (turned down by the quarter turn
    // about y) along the heading.
    auto place = [&](float y, float z) {
        const float along = k * z, left = k * y;
        return std::array<float, 3>{sx + along * c - left * s, sy + along * s + left * c, 0.01f};
    };
    const std::array<float, 3> centre = place(cy, cz);
    std::array<std::array<float, 3>, kSides + 1> rim;
    for (int i = 0; i <= kSides; ++i) {
        const float a = static_cast<float>(i) * (6.2831853f / kSides);
        rim[static_cast<size_t>(i)] = place(cy + ry * std::cos(a), cz + rz * std::sin(a));
    }
    for (size_t i = 0; i < kSides; ++i)
        for (const std::array<float, 3>& corner : {centre, rim[i], rim[i + 1]})
            out.insert(out.end(), corner.begin(), corner.end());
}

std::unique_ptr<TPlanes_System> TPlanes_System::Create(
    const ModelLoadContext& context, std::vector<std::unique_ptr<T_Particles_System>>& smokeSystems) {
    auto system = std::make_unique<TPlanes_System>();
    const std::string& root = context.DataRoot;
    system->Bullets.LoadTextures(context.Gpu, root);
    InitFragments(system->Fragments, context);
    for (size_t i = 0; i < kModelFiles.size(); ++i) system->Models[i] = TModel::Create(DataPath(root, kModelFiles[i]), context);

    T_Explosion_System explosion;
    explosion.Size = 45.0f;
    explosion.AtlasHeight = 2048;
    explosion.FrameHeight = 128;
    explosion.FrameCount = 2048 / 128;
    for (std::string_view file : paths::kExplosionTextures)
        AddExplosionTexture(context.Gpu, explosion, DataPath(root, file));
    system->ExplosionSets.push_back(std::move(explosion));

    for (auto [length, width] : {std::pair{-10.0f, 1.0f}, std::pair{-20.0f, 3.0f}}) {
        T_Fire_Jet flame;
        flame.Length = length;
        flame.Width = width;
        AddFlameTexture(context.Gpu, flame, DataPath(root, paths::kFlame));
        system->FlameSets.push_back(std::move(flame));
    }

    auto smoke = std::make_unique<T_Particles_System>();
    LoadParticles(*smoke, DataPath(root, paths::kSmokeParticles), root, context.Gpu);
    smoke->Active = 1;
    smoke->Count = 0;
    smoke->AtlasHeight = kSmokeAtlasHeight;
    smoke->FrameHeight = kSmokeFrameHeight;
    smoke->FrameCount = kSmokeFrames;
    smoke->Budget = kSmokeParticleBudget;
    system->Smoke = smoke.get();
    smokeSystems.push_back(std::move(smoke));
    return system;
}

void TPlanes_System::DrawShadows(const Vec3& sunDir, const Frustum* view, ShadowShape shape) {
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColor4f(0.0f, 0.0f, 0.0f, 0.3f);
    shadowOvals_.clear();
    for (int32_t i = 0; i < PlaneCount; ++i) {
        const TPlane& p = Planes[i];
        TModel* model = Models[static_cast<size_t>(p.ModelIndex)].get();
        if (!model) continue;
        const float k = std::fabs(p.Pos.z) / 100.0f + 1.0f;  // higher aircraft cast larger shadows
        const float sx = p.Pos.x - 7.0f * sunDir.x, sy = p.Pos.y - 7.0f * sunDir.y;
        // The shadow is the model squashed flat and grown k times: within k reaches of its spot.
        if (view && !view->SphereInFrustum(sx, sy, 0.01f, k * ReachOf(*model))) continue;
        if (shape == ShadowShape::Oval) {
            AppendShadowOval(*model, sx, sy, p.Heading, k, shadowOvals_);
            continue;
        }
        glPushMatrix();
        glTranslatef(sx, sy, 0.01f);
        glRotatef(p.Heading, 0.0f, 0.0f, 1.0f);
        glRotatef(90.0f, 0.0f, 1.0f, 0.0f);
        glScalef(0.01f, k, k);
        if (model->ModelType == ModelType::StaticBuffer)
            model->DrawStaticBuffer();
        else if (model->ModelType == ModelType::ClientArrays)
            model->DrawClientArrays();
        else
            model->DrawRest(1, false);
        glPopMatrix();
    }
    if (!shadowOvals_.empty()) {
        glBindBuffer(GL_ARRAY_BUFFER, 0);
        glVertexPointer(3, GL_FLOAT, 0, shadowOvals_.data());
        glEnableClientState(GL_VERTEX_ARRAY);
        glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(shadowOvals_.size() / 3));
        glDisableClientState(GL_VERTEX_ARRAY);
    }
    glDisable(GL_BLEND);
    glEnable(GL_DEPTH_TEST);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
}

void TPlanes_System::Draw(const double camera[16], const Frustum* view, DrawParts* parts) {
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    for (int32_t i = 0; i < PlaneCount; ++i) {
        const TPlane& p = Planes[i];
        TModel* model = Models[static_cast<size_t>(p.ModelIndex)].get();
        if (p.Visible && model) DrawBody(camera, p, *model);
        DrawEngineFlames(camera, p, FlameSets, view);
        if (p.HitPoints < 0.0f) {
            glLoadMatrixd(camera);
            DrawExplosion(p, ExplosionSets);
        }
    }
    if (parts) parts->Mark("aircraft");
    glLoadMatrixd(camera);
    if (Smoke) DrawParticles(*Smoke);
    if (parts) parts->Mark("smoke");
    Bullets.DrawShots();
    DrawFragments(Fragments, camera);
    if (parts) parts->Mark("shots and fragments");
}

}  // namespace tv
