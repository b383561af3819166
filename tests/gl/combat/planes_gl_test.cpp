// The aircraft system built from the generated data set: its models, pieces and sprites load,
// an aircraft in front of the camera shows on screen, and a dying one's explosion, smoke and
// fragments draw without GL errors and leave the shared state as they found it.
#include <epoxy/gl.h>
#include <GL/glu.h>

#include "combat/planes.h"
#include "game_data_gl.h"
#include "gl_context.h"
#include "math/frustum.h"
#include "math/random.h"
#include "platform/clock.h"
#include "render/gl/gl_matrices.h"
#include "render/gl/texture.h"
#include "world/particles.h"

namespace tv::test {
namespace {

class PlanesGl : public GameDataGlTest {
protected:
    // The aircraft system from the generated data, its smoke kept in `smoke`.
    std::unique_ptr<TPlanes_System> CreatePlanes(std::vector<std::unique_ptr<T_Particles_System>>& smoke) {
        ModelLoadContext context;
        context.DataRoot = root;
        context.Gpu = gpu.get();
        return TPlanes_System::Create(context, smoke);
    }
};

TEST_F(PlanesGl, GeneratedAircraftLoadShowAndDieCleanly) {
    std::vector<std::unique_ptr<T_Particles_System>> smoke;
    std::unique_ptr<TPlanes_System> planes = CreatePlanes(smoke);
    ASSERT_TRUE(planes);
    ASSERT_EQ(smoke.size(), 1u);
    EXPECT_EQ(planes->Smoke, smoke[0].get());
    EXPECT_EQ(planes->Fragments.PieceModelCount, 10);
    for (const auto& m : planes->Models) {
        ASSERT_TRUE(m);
        EXPECT_GT(m->Radius, 0.0f);
    }
    ASSERT_EQ(planes->ExplosionSets.size(), 1u);
    EXPECT_EQ(planes->ExplosionSets[0].Textures.size(), 3u);
    ASSERT_EQ(planes->FlameSets.size(), 2u);
    EXPECT_EQ(GlError(), 0u);

    // Camera at the origin looking along +x; one aircraft 60 units ahead, one dead beside it.
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0, 1.0, 0.1, 1000.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(0, 0, 100, 1, 0, 100, 0, 0, 1);
    double camera[16];
    glGetDoublev(GL_MODELVIEW_MATRIX, camera);
    Frustum frustum;
    CalculateFrustum(frustum);

    planes->Target = {500, 500, 50};
    planes->Spawn(0, 1, 60, 0, 100, 0, 0, 0, 0.0f, 3.0f, 1);
    planes->Spawn(6, 7, 150, 40, 100, 0, 0, 0, 0.0f, -1.0f, 4);
    GameRandom random;
    StepClock clock;
    PlanesFrame frame;
    frame.frameMs = 20;
    frame.frustum = &frustum;
    frame.eye = {0, 0, 100};
    frame.random = &random;
    frame.clock = &clock;
    planes->Update(frame);
    EXPECT_EQ(planes->Planes[0].Visible, 1);
    EXPECT_EQ(planes->Fragments.Count, 2);  // the boss's two pieces

    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    planes->Step(frame);
    EXPECT_EQ(planes->Planes[1].State, kPlaneDying);
    EXPECT_GT(smoke[0]->Count, 0);
    // The drawing moves nothing: no generator draw, no smoke, no explosion frame, no flame turn.
    const uint32_t seed = random.Seed();
    const int32_t puffs = smoke[0]->Count;
    const float explosionFrame = planes->Planes[1].ExplosionFrame;
    const float flameAngles[2] = {planes->FlameSets[0].Angle, planes->FlameSets[1].Angle};
    planes->DrawShadows({0.7f, 0.7f, -0.1f});
    planes->Draw(camera, &frustum);
    EXPECT_EQ(GlError(), 0u);
    EXPECT_EQ(random.Seed(), seed);
    EXPECT_EQ(smoke[0]->Count, puffs);
    EXPECT_EQ(planes->Planes[1].ExplosionFrame, explosionFrame);
    EXPECT_EQ(planes->FlameSets[0].Angle, flameAngles[0]);
    EXPECT_EQ(planes->FlameSets[1].Angle, flameAngles[1]);
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));

    // The aircraft ahead covers the middle of the picture.
    Pixels p = ReadPixels(0, 0, kWidth, kHeight);
    int lit = 0;
    for (int y = kHeight / 2 - 4; y < kHeight / 2 + 4; ++y)
        for (int x = kWidth / 2 - 4; x < kWidth / 2 + 4; ++x)
            if (p.At(x, y)[0] + p.At(x, y)[1] + p.At(x, y)[2] > 30) ++lit;
    EXPECT_GT(lit, 16);
    planes.reset();  // models go while the context lives
}

// The simple shadow's oval is where the squashed model's GL transform puts the box's y-z oval.
TEST_F(PlanesGl, ShadowOvalsLieWhereTheShadowTransformPutsThem) {
    std::vector<std::unique_ptr<T_Particles_System>> smoke;
    std::unique_ptr<TPlanes_System> planes = CreatePlanes(smoke);
    ASSERT_TRUE(planes && planes->Models[2]);
    const TModel& model = *planes->Models[2];
    const float cy = model.BoundingBox.centre.y, cz = model.BoundingBox.centre.z;
    const float ry = model.BoundingBox.size.y / 2.0f, rz = model.BoundingBox.size.z / 2.0f;
    for (float heading : {0.0f, 37.0f, 200.0f}) {
        const float k = 2.5f, sx = 120.0f, sy = -45.0f;
        std::vector<float> oval;
        AppendShadowOval(model, sx, sy, heading, k, oval);
        ASSERT_EQ(oval.size(), 16u * 3 * 3);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glTranslatef(sx, sy, 0.01f);
        glRotatef(heading, 0.0f, 0.0f, 1.0f);
        glRotatef(90.0f, 0.0f, 1.0f, 0.0f);
        glScalef(0.01f, k, k);
        float m[16];
        glGetFloatv(GL_MODELVIEW_MATRIX, m);
        // Each triangle's first corner is the centre, its second the rim at i/16 of a turn.
        for (int i = 0; i < 16; ++i) {
            const float a = static_cast<float>(i) * (6.2831853f / 16);
            for (const auto& [y, z, corner] : {std::tuple{cy, cz, 0}, std::tuple{cy + ry * std::cos(a), cz + rz * std::sin(a), 1}}) {
                const float* got = &oval[(static_cast<size_t>(i) * 3 + corner) * 3];
                for (int c = 0; c < 3; ++c)
                    EXPECT_NEAR(got[c], m[4 + c] * y + m[8 + c] * z + m[12 + c], 1e-3f)
                        << "heading " << heading << ", triangle " << i << ", corner " << corner << ", axis " << c;
            }
        }
    }
    glLoadIdentity();
    planes.reset();
}

}  // namespace
}  // namespace tv::test
