#include "shell/lens_flare.h"

#include <epoxy/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <cmath>

#include "common/data_paths.h"
#include "render/gl/gpu_store.h"

namespace tv {
namespace {

struct FlareElement {
    int texture;
    float k;  // position along the sun-centre line: 1 on the sun, 0 at the centre
    float m;  // half edge as a share of the base size
};

constexpr std::array<FlareElement, 10> kElements = {{
    {0, 1.0f, 1.0f},
    {1, 1.0f, 1.1f},
    {2, -1.0f, 0.8f},
    {3, -0.9f, 0.4f},
    {8, 1.5f, 0.3f},
    {7, -0.65f, 0.2f},
    {6, -0.35f, 0.15f},
    {4, -0.1f, 0.05f},
    {5, -0.3f, 0.3f},
    {7, 0.5f, 0.2f},
}};

}  // namespace

void TFlare::FlareInit(GpuStore* gpu, const std::string& dataRoot, int32_t width, int32_t height, float x, float y,
                       float z) {
    SunX = x;
    SunY = y;
    SunZ = z;
    SetScreenSize(width, height);
    for (int i = 0; i < kFlareTextureCount; ++i) {
        const std::string path = dataRoot + std::string(paths::kFlarePrefix) + std::to_string(i) + ".jpg";
        Textures[i] = gpu ? gpu->NewTexture(path).id() : 0u;
    }
    Brightness = 0.0f;
    Ready = true;
}

void TFlare::SetScreenSize(int32_t width, int32_t height) {
    Width = width;
    Height = height;
    CenterX = static_cast<float>(width / 2);
    CenterY = static_cast<float>(height / 2);
    BaseSize = static_cast<float>(width) / 4.0f;
}

FlareSight TFlare::FlareVisible() const {
    GLdouble modelview[16], projection[16];
    GLint viewport[4];
    glGetDoublev(GL_MODELVIEW_MATRIX, modelview);
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, viewport);

    FlareSight sight;
    sight.sx = CenterX;
    sight.sy = CenterY;
    double wx = 0.0, wy = 0.0, wz = 0.0;
    if (gluProject(SunX, SunY, SunZ, modelview, projection, viewport, &wx, &wy, &wz) != GL_TRUE) return sight;
    sight.sx = wx;
    sight.sy = wy;
    sight.sz = wz;
    const int w = viewport[2], h = viewport[3];
    // A sun behind the eye projects mirrored onto the screen with a depth beyond 1.
    if (!(wx >= 0.0 && wx < w && wy >= 0.0 && wy < h && wz <= 1.0)) return sight;
    // Rounding can step one past the last pixel; reading outside the window gives no data.
    const GLint px = std::min(static_cast<GLint>(std::lround(wx)), w - 1);
    const GLint py = std::min(static_cast<GLint>(std::lround(wy)), h - 1);
    GLfloat depth = 0.0f;
    glReadPixels(px, py, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
    sight.visible = depth >= wz;
    return sight;
}

void FlareQuad(float h) {
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 0.0f);
    glVertex2f(-h, -h);
    glTexCoord2f(1.0f, 0.0f);
    glVertex2f(h, -h);
    glTexCoord2f(1.0f, 1.0f);
    glVertex2f(h, h);
    glTexCoord2f(0.0f, 1.0f);
    glVertex2f(-h, h);
    glEnd();
}

void FlareProjection(bool orthographic, const TFlare& flare, const FlareView& view) {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    if (orthographic) {
        glOrtho(0.0, flare.Width, 0.0, flare.Height, 0.01, view.farPlane);
    } else {
        gluPerspective(45.0, static_cast<double>(view.screenWidth) / static_cast<double>(view.screenHeight),
                       view.nearPlane, view.farPlane);
    }
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void TFlare::FlareDraw(const FlareView& view) {
    if (!Ready) return;
    // The window may have been resized since the start-up; lay the elements out for its size now.
    if (view.screenWidth > 0 && view.screenHeight > 0 && (view.screenWidth != Width || view.screenHeight != Height))
        SetScreenSize(view.screenWidth, view.screenHeight);

    const FlareSight sight = FlareVisible();
    const float step = static_cast<float>(view.frameMs) / kFlareFadeMs;
    if (sight.visible && Brightness < kFlareMaxBrightness)
        Brightness += step;
    else if (!sight.visible && Brightness > 0.0f)
        Brightness -= step;

    const float dx = static_cast<float>(sight.sx) - CenterX;
    const float dy = static_cast<float>(sight.sy) - CenterY;
    const float a = Brightness;
    if (a > 0.0f) {
        glDisable(GL_DEPTH_TEST);
        glEnable(GL_BLEND);
        glBlendFunc(GL_ONE, GL_ONE);
        glColor3f(a, a, a);
        FlareProjection(true, *this, view);
        for (size_t e = 0; e < kElements.size(); ++e) {
            const FlareElement& el = kElements[e];
            glPushMatrix();
            glTranslatef(CenterX + el.k * dx, CenterY + el.k * dy, -5.0f);
            if (e == 0 && CenterX != 0.0f) glRotatef(static_cast<float>(sight.sx) / CenterX * 90.0f, 0.0f, 0.0f, 1.0f);
            glBindTexture(GL_TEXTURE_2D, Textures[el.texture]);
            FlareQuad(el.m * BaseSize);
            glPopMatrix();
            if (e == 1) glColor3f(a - 0.1f, a - 0.1f, a - 0.1f);
        }
        glDisable(GL_BLEND);
        glEnable(GL_DEPTH_TEST);
        FlareProjection(false, *this, view);
    }
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
}

}  // namespace tv
