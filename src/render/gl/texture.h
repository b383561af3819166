#pragma once
// Every image the game shows goes through LoadTexture: decoded by DecodeImage, uploaded as a
// 2D texture with linear filtering and repeat wrapping. A Texture owns its GL name; the game's
// textures are held by the renderer's store (render/gl/gpu_store.h), records keep their ids.

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>

#include "common/error.h"
#include "common/memory_budget.h"
#include "render/gl/gl_handles.h"
#include "render/image_decode.h"

namespace tv {

// One GL texture and what became of loading it. Move-only; the name is deleted when the
// Texture goes (or on Unload), in the context current then (see GlName).
class Texture {
  public:
    Texture() = default;

    uint32_t id() const { return name_.Get(); }            // GL name; 0 when none was made
    bool valid() const { return valid_; }                  // the image was decoded and uploaded
    const Status& status() const { return status_; }       // why not; ok when valid
    int width() const { return width_; }                   // of the uploaded level 0, texels
    int height() const { return height_; }

    // Deletes the GL name and forgets the load: id() is 0 and valid() false afterwards.
    void Unload();
    // Forgets the name without deleting it; id() is 0 afterwards.
    uint32_t Release() { return name_.Release(); }

  private:
    friend Texture LoadTexture(const std::string& path);
    friend Texture LoadTextureNamedTimes(const std::string& path, uint64_t uses);
    friend Texture LoadTextureFromImage(const DecodedImage& image);

    GlTexture name_;
    bool valid_ = false;
    Status status_;
    int width_ = 0, height_ = 0;
};

// Needs a current GL context and InitImageLibrary. Always makes a new texture name and leaves
// it bound to GL_TEXTURE_2D with the fixed parameters. When the file is missing, cannot be
// decoded or is over the size caps, the texture stays empty (nothing is uploaded), valid() is
// false, status() names the file and says why, and "terravik: texture not loaded: " and the
// reason go to stderr as one line (once per file while an ImagePrefetch hands out the same
// failure again). `path` may use backslashes; it is resolved with ResolvePath, and the
// messages show the file with forward slashes. Never throws.
Texture LoadTexture(const std::string& path);

// LoadTexture for a file that `uses` slots name: a failure's stderr line ends in
// " (and N more times)" when uses > 1, so a name repeated by a file still makes one line.
Texture LoadTextureNamedTimes(const std::string& path, uint64_t uses);

// Textures shared by the file they resolve to: a file named by many slots (of one model or of
// every model sharing the cache) is decoded and uploaded once, and a failure to load it is
// reported once. Lives with the GL objects it holds (in the context they were made in);
// the textures go when the cache and every holder have gone.
class TextureCache {
  public:
    // The texture of `path` (any spelling), loaded on the first ask for its file; `uses` is
    // how many slots of the asker name it, counted in the failure's one stderr line.
    std::shared_ptr<const Texture> Get(const std::string& path, uint64_t uses = 1);
    int Loads() const { return loads_; }  // files loaded (each once)
    // Lets every texture go (each goes when its last holder does); files load again afterwards.
    void Clear();
    // Each file loaded from now on charges its decoded texels (4 bytes each) to `budget`
    // (may be null); a charge past it raises its DataError out of Get.
    void SetBudget(StartupBudget* budget) { budget_ = budget; }

  private:
    std::unordered_map<std::string, std::string> fileBySpelling_;  // path as asked -> resolved
    std::map<std::string, std::shared_ptr<const Texture>> byFile_;
    int loads_ = 0;
    StartupBudget* budget_ = nullptr;
};

// The same upload for pixels already in memory. Power-of-two sides give level 0 alone: the
// linear minification filter never samples smaller ones. Other sides go through GLU's
// mip-map builder, which scales them to powers of two (every row and column still spans the
// texture) exactly as the game always has.
Texture LoadTextureFromImage(const DecodedImage& image);

}  // namespace tv
