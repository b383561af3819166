#include "math/frustum.h"

#include <epoxy/gl.h>
// GLU after epoxy, which provides the GL declarations it needs.
#include <GL/glu.h>

#include <cmath>

#include "gl_context.h"
#include "math/random.h"
#include "render/gl/gl_matrices.h"

namespace tv::test {
namespace {

class FrustumTest : public GlTest {
  protected:
    // glOrtho(-2, 2, -1, 1, 1, 3) with an identity modelview: every plane is exact in floats.
    // Inside is -2 < x < 2, -1 < y < 1, -3 < z < -1.
    Frustum OrthoBox() {
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(-2, 2, -1, 1, 1, 3);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        Frustum f;
        CalculateFrustum(f);
        return f;
    }
    // A perspective camera looking from (10, -20, 5) at the origin, z up.
    void PerspectiveCamera() {
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        gluPerspective(60.0, 1.5, 1.0, 100.0);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        gluLookAt(10, -20, 5, 0, 0, 0, 0, 0, 1);
    }
};

TEST_F(FrustumTest, PlanesComeInOrderRightLeftBottomTopFarNear) {
    const Frustum f = OrthoBox();
    const float expected[6][4] = {{-1, 0, 0, 2}, {1, 0, 0, 2}, {0, 1, 0, 1},
                                  {0, -1, 0, 1}, {0, 0, 1, 3}, {0, 0, -1, -1}};
    for (int p = 0; p < 6; ++p) {
        for (int i = 0; i < 4; ++i) EXPECT_FLOAT_EQ(f.planes[p][i], expected[p][i]) << p << "," << i;
    }
}

TEST_F(FrustumTest, PointsOnInsideAndOutsideEachPlane) {
    const Frustum f = OrthoBox();
    EXPECT_TRUE(f.PointInFrustum(0, 0, -2));
    struct Case {
        float x, y, z;
    };
    // For each plane: exactly on it, just inside, just outside.
    const Case on[6] = {{2, 0, -2}, {-2, 0, -2}, {0, -1, -2}, {0, 1, -2}, {0, 0, -3}, {0, 0, -1}};
    const Case inward[6] = {{-1, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}};
    const float step = 1.0f / 1024.0f;
    for (int p = 0; p < 6; ++p) {
        const Case& c = on[p];
        const Case& n = inward[p];
        EXPECT_FALSE(f.PointInFrustum(c.x, c.y, c.z)) << "on plane " << p;
        EXPECT_TRUE(f.PointInFrustum(c.x + n.x * step, c.y + n.y * step, c.z + n.z * step))
            << "inside plane " << p;
        EXPECT_FALSE(f.PointInFrustum(c.x - n.x * step, c.y - n.y * step, c.z - n.z * step))
            << "outside plane " << p;
    }
}

TEST_F(FrustumTest, SphereTouchingAPlaneFromOutsideIsOutside) {
    const Frustum f = OrthoBox();
    EXPECT_FALSE(f.SphereInFrustum(2.5f, 0, -2, 0.5f));   // touches the right plane
    EXPECT_TRUE(f.SphereInFrustum(2.5f, 0, -2, 0.625f));  // pokes through it
    EXPECT_FALSE(f.SphereInFrustum(0, 0, -0.5f, 0.5f));   // touches the near plane
    EXPECT_TRUE(f.SphereInFrustum(0, 0, -0.5f, 0.75f));
    EXPECT_FALSE(f.SphereInFrustum(0, 0, -3.25f, 0.25f));  // touches the far plane
    EXPECT_TRUE(f.SphereInFrustum(0, 2, -2, 1.5f));        // centre outside, reaches in
    EXPECT_TRUE(f.SphereInFrustum(0, 0, -2, 0.0f));
}

// With a real perspective camera, points unprojected from just inside and just outside each
// side of the normalised device cube must fall on the matching sides of the planes.
TEST_F(FrustumTest, PerspectiveCameraAgreesWithUnprojectedPoints) {
    PerspectiveCamera();
    Frustum f;
    CalculateFrustum(f);
    GLdouble mv[16], pr[16];
    glGetDoublev(GL_MODELVIEW_MATRIX, mv);
    glGetDoublev(GL_PROJECTION_MATRIX, pr);
    const GLint viewport[4] = {0, 0, 2, 2};  // window coordinate = NDC + 1

    // Plane p's outward NDC axis and sign, in the order right, left, bottom, top, far, near.
    const int axis[6] = {0, 0, 1, 1, 2, 2};
    const double sign[6] = {1, -1, -1, 1, 1, -1};
    for (int p = 0; p < 6; ++p) {
        for (double edge : {0.98, 1.01}) {
            double ndc[3] = {0.1, -0.2, 0.3};
            ndc[axis[p]] = sign[p] * edge;
            GLdouble wx, wy, wz;
            ASSERT_TRUE(
                gluUnProject(ndc[0] + 1, ndc[1] + 1, (ndc[2] + 1) / 2, mv, pr, viewport, &wx, &wy, &wz));
            const bool inside = edge < 1.0;
            EXPECT_EQ(
                f.PointInFrustum(static_cast<float>(wx), static_cast<float>(wy), static_cast<float>(wz)),
                inside)
                << "plane " << p << " edge " << edge;
        }
    }
}

// Over many scattered points, the plane test agrees with clipping in homogeneous coordinates
// (-w < x, y, z < w), except for points too close to a boundary to call.
TEST_F(FrustumTest, PerspectiveCameraAgreesWithClipSpace) {
    PerspectiveCamera();
    Frustum f;
    CalculateFrustum(f);
    GLdouble mv[16], pr[16];
    glGetDoublev(GL_MODELVIEW_MATRIX, mv);
    glGetDoublev(GL_PROJECTION_MATRIX, pr);

    GameRandom rng;
    int inside = 0, outside = 0;
    for (int i = 0; i < 4000; ++i) {
        const float p[3] = {static_cast<float>(rng.Random(12000)) / 100.0f - 60.0f,
                            static_cast<float>(rng.Random(12000)) / 100.0f - 60.0f,
                            static_cast<float>(rng.Random(12000)) / 100.0f - 60.0f};
        double eye[4], clip[4];
        for (int r = 0; r < 4; ++r) eye[r] = mv[r] * p[0] + mv[4 + r] * p[1] + mv[8 + r] * p[2] + mv[12 + r];
        for (int r = 0; r < 4; ++r)
            clip[r] = pr[r] * eye[0] + pr[4 + r] * eye[1] + pr[8 + r] * eye[2] + pr[12 + r] * eye[3];
        const double w = clip[3];
        double margin = 1e9;
        for (int k = 0; k < 3; ++k) margin = std::min({margin, w - clip[k], w + clip[k]});
        if (std::fabs(margin) < 1e-3) continue;
        const bool expected = margin > 0;
        (expected ? inside : outside)++;
        ASSERT_EQ(f.PointInFrustum(p[0], p[1], p[2]), expected)
            << "point " << p[0] << ", " << p[1] << ", " << p[2];
    }
    EXPECT_GT(inside, 100);
    EXPECT_GT(outside, 100);
}

}  // namespace
}  // namespace tv::test
