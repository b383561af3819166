#pragma once
// Every image the game shows goes through LoadTexture: decoded by DevIL, uploaded as a
// mip-mapped 2D texture with linear filtering and repeat wrapping.

#include <string>

namespace tv {

// ilInit then iluInit; once, before the first LoadTexture. Throws std::runtime_error on failure.
void InitImageLibrary();

// Needs a current GL context. Always generates a new texture name into `texture` and leaves it
// bound to GL_TEXTURE_2D, even when the file is missing or cannot be decoded (the texture then
// holds whatever image the library last held, or stays empty). Never throws, logs nothing.
// `path` may use backslashes; it is resolved with ResolvePath.
// Pixel layouts beyond plain RGB / RGBA bytes are widened so the image still shows:
// 1 byte per pixel is grey (luminance; an alpha-only image stays alpha), 2 bytes per pixel is
// grey plus alpha, paletted, BGR(A) and 16-bit images are converted to 8-bit RGB(A).
// Initialises the image library itself if InitImageLibrary has not run yet.
void LoadTexture(const std::string& path, unsigned& texture);

// The image library's message for the last LoadTexture that failed to decode its file, or ""
// when the last one succeeded. Nothing is logged; this is for tools and tests.
const std::string& LastTextureLoadError();

}  // namespace tv
