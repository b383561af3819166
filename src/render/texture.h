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
void LoadTexture(const std::string& path, unsigned& texture);

}  // namespace tv
