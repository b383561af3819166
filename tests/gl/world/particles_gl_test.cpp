// Particles in a real GL context: loading a description, the emitters' static buffer, the
// GPU program's quads against the same formula on the CPU, and the batched CPU draw.
#include <epoxy/gl.h>

#include <cmath>
#include <filesystem>

#include "common/binary_io.h"
#include "gl_context.h"
#include "math/random.h"
#include "platform/clock.h"
#include "render/gl/texture.h"
#include "world/gl/particle_program.h"
#include "world/particle_file.h"
#include "world/particles.h"

namespace tv::test {
namespace {

class ParticlesGl : public GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        InitImageLibrary();
        // The square -10 .. 10 seen straight on, camera right = x, up = y.
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(-10, 10, -10, 10, -100, 100);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(GL_LEQUAL);
    }
    static Texture WhiteTexture() { return LoadTextureFromImage({4, 4, 4, std::vector<uint8_t>(4 * 4 * 4, 255)}); }
    // The pixel showing world point (x, y).
    static const uint8_t* PixelAt(const Pixels& p, float x, float y) {
        return p.At(static_cast<int>((x + 10.0f) / 20.0f * kWidth), static_cast<int>((y + 10.0f) / 20.0f * kHeight));
    }
    GameRandom random;
    StepClock clock;
};

TEST_F(ParticlesGl, LoadReadsTheDescriptionAndItsTexture) {
    const std::string root = ScratchDir("particles_load") + "/";
    ParticleFile f;
    f.Count = 7;
    f.EmitCentre = {1, 2, 3};
    f.TargetCentre = {1, 12, 3};  // 10 apart
    f.EmitSpread = 4.0f;
    f.TargetSpread = 12.0f;
    f.Period = 3.0f;
    f.BlendMode = 1;
    f.TextureName = "fire\\flame.png";
    WriteWholeFile(root + "fire.kpr", WriteParticles(f));
    T_Particles_System ps;
    ps.Count = 99;
    LoadParticles(ps, root + "fire.kpr", root, gpu.get());
    EXPECT_EQ(ps.Count, 7);
    EXPECT_FLOAT_EQ(ps.Radius, 12.0f);  // the larger spread beats the distance
    EXPECT_EQ(ps.TextureName, "flame.png");
    EXPECT_NE(ps.Texture, 0u);  // made even though the file is missing
    EXPECT_EQ(ps.BlendMode, 1);
    EXPECT_FLOAT_EQ(ps.TargetCentre.y, 12.0f);

    // A short file keeps the fields it lacks.
    f.Count = 3;
    f.Colour = {0.25f, 0.5f, 0.75f, 1.0f};
    std::vector<uint8_t> head = WriteParticles(f);
    head.resize(20);  // count and start colour only
    WriteWholeFile(root + "short.kpr", head);
    LoadParticles(ps, root + "short.kpr", root, gpu.get());
    EXPECT_EQ(ps.Count, 3);
    EXPECT_FLOAT_EQ(ps.Colour[1], 0.5f);
    EXPECT_FLOAT_EQ(ps.Period, 3.0f);
    EXPECT_FLOAT_EQ(ps.Radius, 12.0f);

    f.Count = kMaxEmitterParticles + 1;  // 4097: about a megabyte, where the largest real emitter holds 200
    WriteWholeFile(root + "huge.kpr", WriteParticles(f));
    EXPECT_THROW(LoadParticles(ps, root + "huge.kpr", root, gpu.get()), DataError);
    EXPECT_THROW(LoadParticles(ps, root + "missing.kpr", root, gpu.get()), DataError);
}

TEST_F(ParticlesGl, StartFillsTheStaticBuffer) {
    T_Particles_System ps;
    ps.Active = 1;
    ps.Count = 3;
    ps.EmitCentre = {1, 2, 3};
    ps.TargetCentre = {4, 5, 6};
    ps.TargetSpread = 2.0f;
    StartParticles(ps, random, clock, gpu.get());
    ASSERT_EQ(ps.Count, 3);
    EXPECT_EQ(ps.VertexBufferSize, 384);
    glBindBuffer(GL_ARRAY_BUFFER, ps.VertexBuffer);
    float v[96];
    glGetBufferSubData(GL_ARRAY_BUFFER, 0, sizeof v, v);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    for (int b = 0; b < 3; ++b) {
        for (int c = 0; c < 4; ++c) {
            const float* x = v + (b * 4 + c) * 8;
            EXPECT_EQ(x[0], float(b));
            EXPECT_FLOAT_EQ(x[1], c + 1.01f);
            EXPECT_EQ(x[2], ps.Buffer[b].tx);
            EXPECT_EQ(x[4], 6.0f);
            EXPECT_FLOAT_EQ(x[5], 1.0f);
            EXPECT_FLOAT_EQ(x[7], 3.0f);
        }
    }
    EXPECT_EQ(GlError(), 0u);
}

TEST_F(ParticlesGl, GpuEmitterQuadsLandWhereTheFormulaPutsThem) {
    T_Particles_System ps;
    ps.Active = 1;
    ps.Count = 4;
    ps.EmitCentre = {-5, 0, 0};
    ps.TargetCentre = {5, 0, 0};
    ps.TargetSpread = 8.0f;  // four different headings
    ps.Speed = 2.0f;
    ps.Period = 4.0f;        // particle b runs b seconds ahead
    ps.StartSize = 0.5f;
    ps.SizeDelta = 0.0f;
    ps.Colour = {1, 1, 1, 1};
    ps.ColourDelta = {-0.2f, 0, 0, 0};
    ps.BlendMode = 2;
    StartParticles(ps, random, clock, gpu.get());
    ps.Texture = gpu->AdoptTexture(WhiteTexture()).id();
    ParticleProgram program;
    AdvanceEmitter(ps, 500);
    EXPECT_FLOAT_EQ(ps.Elapsed, 0.5f);
    EXPECT_FLOAT_EQ(ps.TimeStep, 1.0f);
    DrawParticleShader(ps, program);
    ASSERT_TRUE(program.Ensure()) << program.status().Message();
    EXPECT_EQ(GlError(), 0u);
    Pixels p = ReadPixels(0, 0, kWidth, kHeight);
    for (int b = 0; b < 4; ++b) {
        const Particle& q = ps.Buffer[b];
        const Vec3 at = EmitterParticlePosition(ps, b, {q.x, q.y, q.z}, {q.tx, q.ty, q.tz});
        // 0.5 + b seconds along at 2 units per second.
        EXPECT_NEAR(std::hypot(at.x - q.x, at.y - q.y), 1.0f + 2.0f * b, 1e-4);
        const uint8_t* px = PixelAt(p, at.x, at.y);
        const float t = 0.5f + b;
        EXPECT_NEAR(px[0], 255.0f * (1.0f - 0.2f * t), 3.0f) << b;  // colour advanced for t
        EXPECT_EQ(px[1], 255) << b;
    }
    EXPECT_EQ(PixelAt(p, -5.0f, 0.0f)[1], 0);  // nobody sits on the start any more
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_FALSE(glIsEnabled(GL_COLOR_ARRAY));
    GLboolean depthWrites = GL_FALSE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthWrites);
    EXPECT_TRUE(depthWrites);

    // A period later the loop starts again: after wrapping, particle 0 is back at 0 s.
    glClear(GL_COLOR_BUFFER_BIT);
    AdvanceEmitter(ps, 3600);  // 4.1 s > Period: Elapsed wraps to 0
    EXPECT_EQ(ps.Elapsed, 0.0f);
    DrawParticleShader(ps, program);
    p = ReadPixels(0, 0, kWidth, kHeight);
    EXPECT_EQ(PixelAt(p, -5.0f, 0.0f)[1], 255);
}

TEST_F(ParticlesGl, BatchedDrawPutsEachQuadAroundItsParticle) {
    T_Particles_System ps;
    ps.Active = 1;
    ps.Colour = {0.5f, 0.5f, 0.5f, 1.0f};
    ps.StartSize = 1.0f;
    ps.Texture = gpu->AdoptTexture(WhiteTexture()).id();
    for (Vec3 c : {Vec3{2, 3, 0}, Vec3{-6, -6, 0}}) {
        ps.EmitCentre = c;
        ps.TargetCentre = c;
        EmitParticle(ps, random, clock);
    }
    DrawParticles(ps);
    DrawParticles(ps);  // additive: a second pass doubles the light
    EXPECT_EQ(GlError(), 0u);
    Pixels p = ReadPixels(0, 0, kWidth, kHeight);
    EXPECT_NEAR(PixelAt(p, 2.0f, 3.0f)[0], 255, 2);
    EXPECT_NEAR(PixelAt(p, 2.9f, 2.1f)[1], 255, 2);
    EXPECT_EQ(PixelAt(p, 3.2f, 3.0f)[0], 0);
    EXPECT_NEAR(PixelAt(p, -6.0f, -6.0f)[2], 255, 2);
    EXPECT_EQ(PixelAt(p, 0.0f, 0.0f)[0], 0);
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_FALSE(glIsEnabled(GL_VERTEX_ARRAY));
    GLboolean depthWrites = GL_FALSE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthWrites);
    EXPECT_TRUE(depthWrites);
}

}  // namespace
}  // namespace tv::test
