#include "render/texture.h"

#include <IL/il.h>
#include <IL/ilu.h>
#include <epoxy/gl.h>
// GLU after epoxy, which provides the GL declarations it needs.
#include <GL/glu.h>

#include <cstddef>
#include <cstring>
#include <stdexcept>
#include <vector>

#include "platform/paths.h"

namespace tv {
namespace {

// The image library keeps one process-wide state of its own; these mirror it.
bool g_imageLibraryReady = false;
std::string g_lastError;

// Brings the current image to 8-bit channels in a layout GL takes directly.
void NormaliseCurrentImage() {
    const ILint format = ilGetInteger(IL_IMAGE_FORMAT);
    const ILint type = ilGetInteger(IL_IMAGE_TYPE);
    ILenum target = 0;
    switch (format) {
        case IL_COLOUR_INDEX: {
            const ILint pal = ilGetInteger(IL_PALETTE_TYPE);
            target = (pal == IL_PAL_RGBA32 || pal == IL_PAL_BGRA32) ? IL_RGBA : IL_RGB;
            break;
        }
        case IL_BGR:
            target = IL_RGB;
            break;
        case IL_BGRA:
            target = IL_RGBA;
            break;
        default:
            if (type != IL_UNSIGNED_BYTE) target = static_cast<ILenum>(format);
            break;
    }
    if (target != 0) ilConvertImage(target, IL_UNSIGNED_BYTE);
}

GLenum PixelFormat(ILint bytesPerPixel, ILint ilFormat) {
    switch (bytesPerPixel) {
        case 1:
            return ilFormat == IL_ALPHA ? GL_ALPHA : GL_LUMINANCE;
        case 2:
            return GL_LUMINANCE_ALPHA;
        case 3:
            return GL_RGB;
        case 4:
            return GL_RGBA;
        default:
            return 0;
    }
}

}  // namespace

void InitImageLibrary() {
    ilInit();
    iluInit();
    if (ilGetInteger(IL_VERSION_NUM) < IL_VERSION || iluGetInteger(ILU_VERSION_NUM) < ILU_VERSION) {
        throw std::runtime_error("image library older than the one the game was built with");
    }
    g_imageLibraryReady = true;
}

const std::string& LastTextureLoadError() {
    return g_lastError;
}

void LoadTexture(const std::string& path, unsigned& texture) {
    if (!g_imageLibraryReady) {
        try {
            InitImageLibrary();
        } catch (const std::exception&) {
            // Carry on: the texture is still created, just empty.
        }
    }
    const std::string resolved = ResolvePath(path);
    const ILboolean loaded = ilLoad(IL_TYPE_UNKNOWN, resolved.c_str());

    // Drain the library's error stack so one failure does not linger into the next load.
    g_lastError.clear();
    for (ILenum err = ilGetError(); err != IL_NO_ERROR; err = ilGetError()) {
        if (g_lastError.empty()) {
            const char* text = iluErrorString(err);
            g_lastError = text ? text : "image library error";
        }
    }
    if (!loaded && g_lastError.empty()) g_lastError = "image could not be loaded";

    // A failed load leaves the library's current image as it was; that image is uploaded.
    NormaliseCurrentImage();
    while (ilGetError() != IL_NO_ERROR) {
    }
    const ILint w = ilGetInteger(IL_IMAGE_WIDTH);
    const ILint h = ilGetInteger(IL_IMAGE_HEIGHT);
    const ILint b = ilGetInteger(IL_IMAGE_BYTES_PER_PIXEL);
    const GLenum format = PixelFormat(b, ilGetInteger(IL_IMAGE_FORMAT));
    std::vector<unsigned char> pixels;
    if (w > 0 && h > 0 && format != 0) {
        const size_t bytes = static_cast<size_t>(w) * static_cast<size_t>(h) * static_cast<size_t>(b);
        const ILubyte* data = ilGetData();
        const ILint available = ilGetInteger(IL_IMAGE_SIZE_OF_DATA);
        if (data != nullptr && available >= 0 && static_cast<size_t>(available) >= bytes) {
            pixels.assign(data, data + bytes);
        }
    }

    GLuint name = 0;
    glGenTextures(1, &name);
    texture = name;
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    if (!pixels.empty()) {
        // The library delivers tightly packed rows; GL's default 4-byte row alignment would
        // shear RGB images whose rows are not a multiple of four bytes.
        GLint alignment = 4;
        glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        gluBuild2DMipmaps(GL_TEXTURE_2D, static_cast<GLint>(format), w, h, format, GL_UNSIGNED_BYTE,
                          pixels.data());
        glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);
    }
}

}  // namespace tv
