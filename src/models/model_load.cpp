// TModel's two readers: the file is parsed into plain data (model_file.h), then the model's
// CPU side is built from it: mesh arrays or client arrays, the paths of its textures, the rest
// pose, the box. No GL here: the GPU objects are made by Upload (model_upload.cpp).

#include <string_view>
#include <unordered_map>

#include "common/binary_io.h"
#include "platform/loading_progress.h"
#include "models/model.h"
#include "models/model_file.h"
#include "platform/paths.h"

namespace tv {

namespace {

constexpr const char* kNoTextureName = "NOTEXTURE";
constexpr const char* kNoTexturePath = "k_resurs\\addition\\NOTEXTURE.jpg";

// The folder of a model path: everything before its last separator. The game spells paths
// with backslashes; a data root from this platform may add forward slashes.
std::string ModelFolder(const std::string& path) {
    const size_t cut = path.find_last_of("\\/");
    return cut == std::string::npos ? std::string() : path.substr(0, cut);
}

// What the sky's loader reads: billboards and unknown types end after the two header bytes,
// CPU-skinned meshes after their box. The file reader always wants a whole file, so a skinned
// mesh that stops there gets an empty tail (no collision shapes, zero flags) before parsing.
ModelFile ReadGeometry(const std::vector<uint8_t>& bytes, const std::string& path) {
    const ModelType type = bytes.empty() ? ModelType{} : static_cast<ModelType>(bytes[0]);
    if (type == ModelType::SkinnedBuffer || type == ModelType::StaticBuffer) return ReadModel(bytes, path);
    if (type == ModelType::CpuSkinned) {
        try {
            return ReadModel(bytes, path);
        } catch (const DataError& error) {
            std::vector<uint8_t> padded = bytes;
            padded.resize(bytes.size() + 4 + 4 + 4 + 1 + 1, 0);
            ModelFile file;
            try {
                file = ReadModel(padded, path);
            } catch (const DataError&) {
                throw error;
            }
            // Accepted only when everything up to the box was in the file itself.
            size_t boxEnd = 2 + 4 + 4 * file.BoneParents.size() + 4 + 108 * file.Triangles.size() + 4 +
                            24 * file.RestPose.size() + 4 + 8 * file.DrawGroups.size() + 4 + 24;
            for (const std::string& name : file.TextureNames) boxEnd += 4 + name.size();
            if (error.offset() < boxEnd) throw error;
            return file;
        }
    }
    ByteReader header(bytes, path);
    ModelFile file;
    file.ModelType = static_cast<ModelType>(header.U8("model type"));
    file.ObjectKind = header.U8("object kind");
    return file;
}

}  // namespace

TModel::TModel() : shared_(std::make_shared<ModelRenderShared>()) {}
TModel::~TModel() = default;

std::unique_ptr<TModel> TModel::Read(const std::string& path, const ModelLoadContext& context) {
    auto model = std::make_unique<TModel>();
    model->Load(path, context, false);
    return model;
}

std::unique_ptr<TModel> TModel::ReadGeometryOnly(const std::string& path, const ModelLoadContext& context) {
    auto model = std::make_unique<TModel>();
    model->Load(path, context, true);
    return model;
}

uint32_t TModel::Texture(size_t slot) const {
    if (slot == 0 && firstTexture_) return *firstTexture_;
    if (slot >= slotTexture_.size() || slotTexture_[slot] >= textures_.size()) return 0u;
    return textures_[slotTexture_[slot]];
}

void TModel::Load(const std::string& path, const ModelLoadContext& context, bool geometryOnly) {
    if (context.Shared) shared_ = context.Shared;
    const std::vector<uint8_t> bytes = ReadWholeFile(ResolvePath(path));

    // The loading window comes up before the mesh is read, like the game's loader does; only
    // mesh files show it, and the type byte is the first byte.
    const bool mesh = !bytes.empty() && ModelFile::IsMeshLayout(static_cast<tv::ModelType>(bytes[0]));
    LoadingProgress* progress = mesh ? context.Progress : nullptr;
    if (progress) {
        progress->Show(path);
        progress->Repaint();
    }

    ModelFile file = geometryOnly ? ReadGeometry(bytes, path) : ReadModel(bytes, path);
    ModelType = file.ModelType;
    ObjectKind = file.ObjectKind;

    const LoadSource source{path, context, progress, geometryOnly};
    switch (file.ModelType) {
        case ModelType::SkinnedBuffer:
        case ModelType::StaticBuffer:
            LoadBufferedMesh(file, source);
            break;
        case ModelType::CpuSkinned:
            LoadCpuSkinnedMesh(file, source);
            break;
        case ModelType::Billboard:
            // The sky's loader reads nothing past a billboard's header.
            if (!geometryOnly) LoadBillboard(file, source);
            break;
        default:
            break;  // no layout: the header is all there is
    }

    if (!geometryOnly) {
        BoxCorners = ModelBoxCorners(BoundingBox.centre, BoundingBox.size);
        Radius = ModelRadius(BoundingBox.centre, BoundingBox.size);
    }
}

void TModel::LoadBufferedMesh(ModelFile& file, const LoadSource& source) {
    TakeSkeleton(file, source.progress);
    Positions.resize(file.Triangles.size() * 3);
    Normals.resize(file.Triangles.size() * 3);
    TexCoords.resize(file.Triangles.size() * 3);
    const bool weighted = ModelType == ModelType::SkinnedBuffer;
    if (weighted) BoneWeights.resize(file.Triangles.size());
    for (size_t i = 0; i < file.Triangles.size(); ++i) {
        for (int j = 0; j < 3; ++j) {
            const ModelVertex& v = file.Triangles[i].v[j];
            Positions[i * 3 + j] = v.position;
            Normals[i * 3 + j] = v.normal;
            TexCoords[i * 3 + j] = {v.s, v.t};
            if (weighted) {
                for (int k = 0; k < 3; ++k) BoneWeights[i][j][k] = {v.weights[k].bone, v.weights[k].weight};
            }
        }
    }
    TakeTextures(file, source);
    PoseRest();
    TakeBox(file);
    if (source.context.VBOSupported) {
        // Upload fills the buffer with VertexBufferData().
        const size_t vertexCount = static_cast<size_t>(TriangleCount) * 3;
        VertexBufferSize = static_cast<int32_t>(vertexCount * VertexFloats() * sizeof(float));
    } else {
        ModelType = ModelType::ClientArrays;
        BuildClientArrays();
    }
    TakeTail(file);
}

void TModel::LoadCpuSkinnedMesh(ModelFile& file, const LoadSource& source) {
    TakeSkeleton(file, source.progress);
    SkinTriangles.Source.resize(file.Triangles.size());
    for (size_t i = 0; i < file.Triangles.size(); ++i) {
        for (int j = 0; j < 3; ++j) {
            const ModelVertex& v = file.Triangles[i].v[j];
            SkinTriangles.Source[i].V[j] = {v.position, v.normal, v.s, v.t, v.bone};
        }
    }
    SkinTriangles.Skinned = SkinTriangles.Source;
    TakeTextures(file, source);
    PoseRest();
    TakeBox(file);
    // The sky's loader stops after the box.
    if (!source.geometryOnly) TakeTail(file);
}

void TModel::LoadBillboard(ModelFile& file, const LoadSource& source) {
    Billboard.HalfWidth = file.Billboard.halfWidth;
    Billboard.Height = file.Billboard.height;
    Billboard.Extra = file.Billboard.extra;
    TakeTextures(file, source);
    TakeBox(file);
    TakeTail(file);
}

void TModel::TakeSkeleton(const ModelFile& file, LoadingProgress* progress) {
    BoneParents = file.BoneParents;
    TriangleCount = static_cast<int32_t>(file.Triangles.size());
    // The bar moves as the triangles would have been read: every 51st, then 100.
    TriangleProgress bar(progress, TriangleCount);
    for (int32_t i = 0; i < TriangleCount; ++i) bar.Triangle(i);
    bar.End();

    const size_t boneCount = file.RestPose.size();
    RestPose.Rotations.resize(boneCount);
    RestPose.Quaternions.resize(boneCount);
    RestPose.Positions.resize(boneCount);
    for (size_t b = 0; b < boneCount; ++b) {
        RestPose.Positions[b] = file.RestPose[b].position;
        RestPose.Rotations[b] = file.RestPose[b].rotation;
        RestPose.Quaternions[b] = EulerToQuaternion(file.RestPose[b].rotation);
    }

    DrawGroups.resize(file.DrawGroups.size());
    for (size_t g = 0; g < file.DrawGroups.size(); ++g) {
        DrawGroups[g] = {file.DrawGroups[g].first, file.DrawGroups[g].triangleCount};
    }
}

void TModel::TakeTextures(const ModelFile& file, const LoadSource& source) {
    TextureNames = file.TextureNames;
    if (source.geometryOnly) return;
    const std::string folder = ModelFolder(source.path);
    // One path per distinct name: a name repeated by every slot costs one string, one texture.
    std::unordered_map<std::string_view, uint32_t> indexByName;
    slotTexture_.reserve(TextureNames.size());
    for (const std::string& textureName : TextureNames) {
        auto [it, added] = indexByName.emplace(textureName, static_cast<uint32_t>(texturePaths_.size()));
        if (added) {
            texturePaths_.push_back(textureName == kNoTextureName ? source.context.DataRoot + kNoTexturePath
                                                                  : folder + "\\" + textureName);
        }
        slotTexture_.push_back(it->second);
    }
}

void TModel::TakeBox(const ModelFile& file) {
    BoundingBox.size = file.BoxSize;
    BoundingBox.centre = file.BoxCentre;
}

void TModel::TakeTail(ModelFile& file) {
    CollisionBoxes = std::move(file.CollisionBoxes);
    CollisionSpheres = std::move(file.CollisionSpheres);
    for (int i = 0; i < 4; ++i) BodyParameter[i] = static_cast<uint8_t>(file.BodyParameter >> (8 * i));
    Transparent = file.Transparent;
    Static = file.Static;
    VectorA = file.VectorA;
    VectorB = file.VectorB;
}

size_t TModel::VertexFloats() const { return ModelType == ModelType::SkinnedBuffer ? 15 : 8; }

std::vector<float> TModel::VertexBufferData() const {
    const size_t vertexCount = static_cast<size_t>(TriangleCount) * 3;
    const bool weighted = ModelType == ModelType::SkinnedBuffer;
    const size_t floatsPerVertex = VertexFloats();
    // The 60-byte layout leaves its last float (the position's w) unwritten; it stays 0 here
    // and the skinning program never reads it.
    std::vector<float> scratch(vertexCount * floatsPerVertex, 0.0f);
    for (size_t v = 0; v < vertexCount; ++v) {
        float* out = &scratch[v * floatsPerVertex];
        const Vec3& n = Normals[v];
        const Vec3& p = Positions[v];
        out[0] = TexCoords[v][0];
        out[1] = 1.0f - TexCoords[v][1];
        if (weighted) {
            const auto& w = BoneWeights[v / 3][v % 3];
            for (int k = 0; k < 3; ++k) {
                // Bones past the palette take its last row, as the skinning program would.
                out[2 + 2 * k] = static_cast<float>(PaletteBone(w[k].Bone));
                out[3 + 2 * k] = w[k].Weight;
            }
            out += 8;
        } else {
            out += 2;
        }
        out[0] = n.x, out[1] = n.y, out[2] = n.z;
        out[3] = p.x, out[4] = p.y, out[5] = p.z;
    }
    return scratch;
}

void TModel::BuildClientArrays() {
    const size_t vertexCount = static_cast<size_t>(TriangleCount) * 3;
    FallbackPositions.resize(vertexCount * 3);
    FallbackTexCoords.resize(vertexCount * 2);
    for (size_t v = 0; v < vertexCount; ++v) {
        FallbackPositions[v * 3 + 0] = Positions[v].x;
        FallbackPositions[v * 3 + 1] = Positions[v].y;
        FallbackPositions[v * 3 + 2] = Positions[v].z;
        FallbackTexCoords[v * 2 + 0] = TexCoords[v][0];
        FallbackTexCoords[v * 2 + 1] = 1.0f - TexCoords[v][1];
    }
}

}  // namespace tv
