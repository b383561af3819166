#pragma once
// Every image the game shows goes through LoadTexture: decoded by DecodeImage, uploaded as a
// 2D texture with linear filtering and repeat wrapping. A Texture owns its GL name.

#include <cstdint>
#include <string>

#include "render/gl_handles.h"
#include "render/image_decode.h"

namespace tv {

// One GL texture and what became of loading it. Move-only; the name is deleted when the
// Texture goes (or on Unload), in the context current then (see GlName).
class Texture {
  public:
    Texture() = default;

    uint32_t id() const { return name_.Get(); }            // GL name; 0 when none was made
    bool valid() const { return valid_; }                  // the image was decoded and uploaded
    const std::string& reason() const { return reason_; }  // why not, "" when valid
    int width() const { return width_; }                   // of the uploaded level 0, texels
    int height() const { return height_; }

    // Deletes the GL name and forgets the load: id() is 0 and valid() false afterwards.
    void Unload();

  private:
    friend Texture LoadTexture(const std::string& path);
    friend Texture LoadTextureFromImage(const DecodedImage& image);

    GlTexture name_;
    bool valid_ = false;
    std::string reason_;
    int width_ = 0, height_ = 0;
};

// Needs a current GL context and InitImageLibrary. Always makes a new texture name and leaves
// it bound to GL_TEXTURE_2D with the fixed parameters. When the file is missing, cannot be
// decoded or is over the size caps, the texture stays empty (nothing is uploaded), valid() is
// false, reason() names the file and says why, and "terravik: texture not loaded: " and the
// reason go to stderr as one line (once per file while an ImagePrefetch hands out the same
// failure again). `path` may use backslashes; it is resolved with ResolvePath, and the
// messages show the file with forward slashes. Never throws.
Texture LoadTexture(const std::string& path);

// The same upload for pixels already in memory. Power-of-two sides give level 0 alone: the
// linear minification filter never samples smaller ones. Other sides go through GLU's
// mip-map builder, which scales them to powers of two (every row and column still spans the
// texture) exactly as the game always has.
Texture LoadTextureFromImage(const DecodedImage& image);

// Whether this process makes GPU objects at all; on unless turned off. A headless run (no
// window, no GL context) turns it off before anything loads: LoadTexture then reads no file
// and hands out an empty, invalid texture without a word, and the loaders that fill buffers
// keep their data on the CPU only, so everything the game simulates loads as it always does.
void SetGpuObjectsEnabled(bool enabled);
bool GpuObjectsEnabled();

}  // namespace tv
