// Printing the HUD with the font strip.
#include <epoxy/gl.h>

#include <algorithm>

#include "shell/hud.h"

namespace tv {

void PrintText(const HudFont& font, std::string_view cp1251, float x, float y, float size) {
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0.0, font.screenWidth, 0.0, font.screenHeight, -1.0, 10.0);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();

    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    glDepthMask(GL_FALSE);
    glBindTexture(GL_TEXTURE_2D, font.texture);

    glTranslatef(x - 10.0f, y, 0.2f);
    const float w = size / 2.0f;
    const size_t n = cp1251.size() < kMaxPrintChars ? cp1251.size() : kMaxPrintChars;
    for (size_t k = 0; k < n; ++k) {
        const unsigned c = static_cast<unsigned char>(cp1251[k]);
        if (c == 32) continue;
        const float i = static_cast<float>(k + 1);
        const float s0 = static_cast<float>(c) / 256.0f;
        const float s1 = static_cast<float>(c + 1) / 256.0f;
        glBegin(GL_POLYGON);
        glTexCoord2f(s0, 1.0f);
        glVertex3f(i * w, 0.0f, 0.0f);
        glTexCoord2f(s1, 1.0f);
        glVertex3f((i + 1.0f) * w, 0.0f, 0.0f);
        glTexCoord2f(s1, 0.0f);
        glVertex3f((i + 1.0f) * w, size, 0.0f);
        glTexCoord2f(s0, 0.0f);
        glVertex3f(i * w, size, 0.0f);
        glEnd();
    }

    glDepthMask(GL_TRUE);
    glDisable(GL_BLEND);
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
}

void PrintHud(const HudFont& font, int32_t fps, const HudValues& values) {
    const std::array<std::string, 5> lines = HudLines(fps, values);
    const std::array<float, 5> rows = HudBaselines(font.screenHeight, font.scale);
    for (size_t i = 0; i < lines.size(); ++i)
        PrintText(font, lines[i], 10.0f * font.scale, rows[i], kHudTextSize * font.scale);
}

}  // namespace tv
