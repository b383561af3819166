#pragma once
// Bringing a model made in another tool into the game's model format. The scene is read with
// the asset importer (glTF 2.0, OBJ with MTL, and the other formats it knows) and becomes:
//  - a static model (type 2) when it has no skin: every mesh in the scene, placed by its nodes;
//  - a GPU-skinned model (type 1) when a mesh has a skin: the bones are the skin's joints, the
//    rest pose is the bind pose, and each animation becomes an SMD file beside the model.
// Textures (embedded or referenced) are written beside the model as PNG or JPEG and named in
// its texture list, one draw group per material. The model's box is the mesh's bounds.

#include <cstdint>
#include <string>
#include <vector>

#include "models/model_file.h"
#include "models/smd_file.h"

namespace tv::import {

enum class UpAxis { Y, Z };

struct ImportOptions {
    float scale = 1.0f;       // metres in the source to the game's units
    UpAxis up = UpAxis::Y;    // the source's up axis; the game's is Z
    float framesPerSecond = 30.0f;  // animation sampling rate
};

struct ImportedAnimation {
    std::string name;  // a file-name-safe form of the source's name
    SmdAnimation frames;
};

// A texture file to write beside the model, named as the model's texture list names it.
struct ImportedTexture {
    std::string name;
    std::vector<uint8_t> bytes;  // a PNG or JPEG file
};

struct ImportedModel {
    ModelFile model;
    std::vector<ImportedTexture> textures;
    std::vector<ImportedAnimation> animations;
    std::vector<std::string> notes;  // what the import changed or dropped, for stderr
    int sourceTriangles = 0;
};

// Reads and converts the scene at `path`. Raises Error naming the file and the
// reason when it cannot be read, holds no triangles, or has more joints than the skinning
// palette (72).
ImportedModel ImportModel(const std::string& path, const ImportOptions& options);

// Writes the model to outPath and its textures and animations beside it (animations as
// "<model name>_<animation>.smd"), each file whole or not at all. Returns the paths written.
std::vector<std::string> WriteImportedModel(const ImportedModel& imported, const std::string& outPath);

}  // namespace tv::import
