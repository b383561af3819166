#include "render/gl/oriented_box_draw.h"

#include <epoxy/gl.h>

#include "math/oriented_box.h"

namespace tv {

void DrawOrientedBox(const TCUB& box) {
    static constexpr int kFaces[6][4] = {{0, 1, 2, 3}, {4, 5, 6, 7}, {4, 5, 1, 0},
                                         {7, 6, 3, 2}, {0, 4, 7, 3}, {1, 5, 6, 2}};
    const std::array<Vec3, 8> c = OrientedBoxCorners(box);
    glBegin(GL_QUADS);
    for (const auto& face : kFaces) {
        for (int i : face) glVertex3f(c[i].x, c[i].y, c[i].z);
    }
    glEnd();
}

}  // namespace tv
