#include "render/gl/texture.h"

#include <epoxy/gl.h>
// GLU after epoxy, which provides the GL declarations it needs.
#include <GL/glu.h>

#include <algorithm>
#include <cstdio>
#include <exception>
#include <vector>

#include "common/report.h"
#include "platform/paths.h"
#include "render/image_prefetch.h"

namespace tv {
namespace {

GLenum PixelFormat(int channels) {
    switch (channels) {
        case 1:
            return GL_LUMINANCE;
        case 2:
            return GL_LUMINANCE_ALPHA;
        case 3:
            return GL_RGB;
        default:
            return GL_RGBA;
    }
}

bool IsPowerOfTwo(int v) {
    return v > 0 && (v & (v - 1)) == 0;
}

// A new name, bound, with the parameters every game texture has.
GlTexture NewBoundTexture() {
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    return GlTexture(name);
}

// Uploads level 0 into the bound texture; "" on success, else why not.
std::string Upload(const DecodedImage& image, int& width, int& height) {
    if (image.width <= 0 || image.height <= 0 || image.channels < 1 || image.channels > 4 ||
        image.pixels.size() != static_cast<size_t>(image.width) * static_cast<size_t>(image.height) *
                                   static_cast<size_t>(image.channels)) {
        return "pixels do not match the image's size";
    }
    const GLenum format = PixelFormat(image.channels);
    GLint maxSide = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSide);
    // Rows are tightly packed; GL's default 4-byte row alignment would shear RGB images whose
    // rows are not a multiple of four bytes.
    GLint unpackAlignment = 4;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &unpackAlignment);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    std::string failure;
    if (IsPowerOfTwo(image.width) && IsPowerOfTwo(image.height) && image.width <= maxSide &&
        image.height <= maxSide) {
        glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(format), image.width, image.height, 0, format,
                     GL_UNSIGNED_BYTE, image.pixels.data());
    } else {
        // Other sides are scaled to powers of two by the mip-map builder, whose level 0 is the
        // picture the game has always shown; the smaller levels come along unused. Every
        // texture of the game's data has power-of-two sides and takes the branch above.
        if (gluBuild2DMipmaps(GL_TEXTURE_2D, static_cast<GLint>(format), image.width, image.height, format,
                              GL_UNSIGNED_BYTE, image.pixels.data()) != 0) {
            failure = "cannot scale to a power of two";
        }
    }
    glPixelStorei(GL_UNPACK_ALIGNMENT, unpackAlignment);
    if (failure.empty()) {
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
    }
    return failure;
}

}  // namespace

void Texture::Unload() {
    name_.Reset();
    valid_ = false;
    status_ = Status();
    width_ = height_ = 0;
}

Texture LoadTextureFromImage(const DecodedImage& image) {
    Texture t;
    t.name_ = NewBoundTexture();
    const std::string failure = Upload(image, t.width_, t.height_);
    if (!failure.empty()) t.status_ = Error(failure);
    t.valid_ = failure.empty();
    return t;
}

Texture LoadTexture(const std::string& path) { return LoadTextureNamedTimes(path, 1); }

Texture LoadTextureNamedTimes(const std::string& path, uint64_t uses) {
    PrefetchedImage decoded = ReadAndDecodeImage(path);
    DecodedImage& image = decoded.image;
    Texture t;
    if (decoded.status.ok()) {
        t = LoadTextureFromImage(image);
        // The upload's reason does not name the file; the data's paths may use backslashes.
        if (!t.valid_) {
            std::string shown = path;
            std::replace(shown.begin(), shown.end(), '\\', '/');
            t.status_ = Error(shown, t.status_.error().reason());
        }
    } else {
        // A failed load still gives a bound, empty texture: callers draw with it as before.
        t.name_ = NewBoundTexture();
        t.status_ = decoded.status;  // names the file as it was found on disk
    }
    if (!t.valid_ && !decoded.failureSeen) {
        const std::string more = uses > 1 ? " (and " + std::to_string(uses - 1) + " more times)" : "";
        Report(Error("texture not loaded: " + t.status_.Message() + more));
    }
    return t;
}

void TextureCache::Clear() {
    fileBySpelling_.clear();
    byFile_.clear();
    loads_ = 0;
}

std::shared_ptr<const Texture> TextureCache::Get(const std::string& path, uint64_t uses) {
    auto spelled = fileBySpelling_.find(path);
    if (spelled == fileBySpelling_.end()) {
        std::string file;
        try {
            file = ResolvePath(path);
        } catch (const std::exception&) {
            file = path;  // LoadTexture reports why it cannot be opened
        }
        spelled = fileBySpelling_.emplace(path, std::move(file)).first;
    }
    auto& slot = byFile_[spelled->second];
    if (!slot) {
        auto texture = std::make_shared<const Texture>(LoadTextureNamedTimes(path, uses));
        if (budget_) budget_->Charge(uint64_t{4} * static_cast<uint64_t>(texture->width()) *
                                         static_cast<uint64_t>(texture->height()),
                                     spelled->second, "texels");
        slot = std::move(texture);
        ++loads_;
    }
    return slot;
}

}  // namespace tv
