#include "render/gl/offscreen_target.h"

#include <epoxy/gl.h>

#include <algorithm>
#include <cmath>

namespace tv {

int ScaledSide(int windowSide, double scale) {
    if (windowSide <= 0) return 1;
    const double side = std::lround(static_cast<double>(windowSide) * std::clamp(scale, 0.0, 1.0));
    return std::clamp(static_cast<int>(side), 1, windowSide);
}

bool OffscreenTarget::Begin(int width, int height) {
    if (failed_) return false;
    if (epoxy_gl_version() < 30 && !epoxy_has_gl_extension("GL_ARB_framebuffer_object")) {
        failed_ = true;
        error_ = "the driver has no framebuffer objects (GL 3.0 or ARB_framebuffer_object)";
        return false;
    }
    if (framebuffer_ == 0 || width != width_ || height != height_) {
        Release();
        glGenFramebuffers(1, &framebuffer_);
        glGenRenderbuffers(1, &color_);
        glGenRenderbuffers(1, &depth_);
        glBindRenderbuffer(GL_RENDERBUFFER, color_);
        glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
        glBindRenderbuffer(GL_RENDERBUFFER, depth_);
        glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, width, height);
        glBindRenderbuffer(GL_RENDERBUFFER, 0);
        glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, color_);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depth_);
        const GLenum status = glCheckFramebufferStatus(GL_FRAMEBUFFER);
        if (status != GL_FRAMEBUFFER_COMPLETE) {
            glBindFramebuffer(GL_FRAMEBUFFER, 0);
            Release();
            failed_ = true;
            error_ = "the driver refused a " + std::to_string(width) + "x" + std::to_string(height) +
                     " framebuffer (status " + std::to_string(status) + ")";
            return false;
        }
        width_ = width;
        height_ = height;
    } else {
        glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
    }
    glViewport(0, 0, width_, height_);
    return true;
}

void OffscreenTarget::EndAndStretch(int windowWidth, int windowHeight) {
    glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer_);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    glBlitFramebuffer(0, 0, width_, height_, 0, 0, windowWidth, windowHeight, GL_COLOR_BUFFER_BIT, GL_LINEAR);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glViewport(0, 0, windowWidth, windowHeight);
}

void OffscreenTarget::Release() {
    if (framebuffer_ != 0) glDeleteFramebuffers(1, &framebuffer_);
    if (color_ != 0) glDeleteRenderbuffers(1, &color_);
    if (depth_ != 0) glDeleteRenderbuffers(1, &depth_);
    framebuffer_ = color_ = depth_ = 0;
    width_ = height_ = 0;
}

}  // namespace tv
