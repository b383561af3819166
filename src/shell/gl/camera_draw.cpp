// Placing the camera on the GL matrix stack.
#include <GL/glu.h>

#include "shell/camera.h"

namespace tv {

void PlaceCamera(TCamera& c) {
    ComputeCameraPlacement(c);
    LookThroughCamera(c);
}

void LookThroughCamera(const TCamera& c) {
    gluLookAt(c.Eye.x, c.Eye.y, c.Eye.z, c.Target.x, c.Target.y, c.Target.z, 0.0, 0.0, 1.0);
}

}  // namespace tv
