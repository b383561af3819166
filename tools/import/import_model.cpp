#include "import_model.h"

#include <assimp/postprocess.h>
#include <assimp/scene.h>

#include <algorithm>
#include <assimp/Importer.hpp>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <stdexcept>

#include "common/atomic_file.h"
#include "common/error.h"
#include "render/image_decode.h"
#include "render/png_file.h"

namespace tv::import {
namespace fs = std::filesystem;
namespace {

// Bones whose weight is below this do not count as a second influence in the notes.
constexpr float kMinorWeight = 0.01f;

Vec3 ToVec(const aiVector3D& v) { return {v.x, v.y, v.z}; }

// Source space to the game's: the uniform scale, and Y-up turned to Z-up ((x, y, z) -> (x, -z, y)).
aiMatrix4x4 SourceToGame(const ImportOptions& options) {
    aiMatrix4x4 m;
    aiMatrix4x4::Scaling(aiVector3D(options.scale), m);
    if (options.up == UpAxis::Y) {
        aiMatrix4x4 turn;
        aiMatrix4x4::RotationX(static_cast<float>(M_PI / 2), turn);
        m = turn * m;
    }
    return m;
}

// Euler angles (radians) for the rotation part of m, in the order the game composes them
// (x first, then y, then z: R = Rz * Ry * Rx). Scale is divided out of each column first.
Vec3 EulerOf(const aiMatrix4x4& m) {
    aiVector3D cols[3] = {{m.a1, m.b1, m.c1}, {m.a2, m.b2, m.c2}, {m.a3, m.b3, m.c3}};
    for (aiVector3D& c : cols) {
        const float len = c.Length();
        if (len > 0) c /= len;
    }
    // r[row][col]
    const float r00 = cols[0].x, r10 = cols[0].y, r20 = cols[0].z;
    const float r11 = cols[1].y, r21 = cols[1].z, r12 = cols[2].y, r22 = cols[2].z;
    const float sy = std::clamp(-r20, -1.0f, 1.0f);
    const float y = std::asin(sy);
    if (std::fabs(sy) > 0.99999f) return {std::atan2(-r12, r11), y, 0.0f};
    return {std::atan2(r21, r22), y, std::atan2(r10, r00)};
}

bool HasScale(const aiMatrix4x4& m) {
    const float lens[3] = {aiVector3D(m.a1, m.b1, m.c1).Length(), aiVector3D(m.a2, m.b2, m.c2).Length(),
                           aiVector3D(m.a3, m.b3, m.c3).Length()};
    return std::any_of(std::begin(lens), std::end(lens), [](float l) { return std::fabs(l - 1.0f) > 1e-3f; });
}

aiMatrix4x4 Inverse(aiMatrix4x4 m) { return m.Inverse(); }

std::string SafeName(const std::string& raw, const std::string& fallback) {
    std::string out;
    for (char c : raw)
        out += (std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_') ? c : '_';
    return out.empty() ? fallback : out;
}

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::vector<uint8_t> ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A referenced texture's file: as written (backslashes as slashes), else the same name in
// any letter case in its folder.
fs::path FindReferenced(const fs::path& sourceDir, std::string ref) {
    std::replace(ref.begin(), ref.end(), '\\', '/');
    fs::path p = fs::path(ref).is_absolute() ? fs::path(ref) : sourceDir / ref;
    std::error_code ec;
    if (fs::is_regular_file(p, ec)) return p;
    const std::string want = Lower(p.filename().string());
    for (const auto& e : fs::directory_iterator(p.parent_path(), ec))
        if (Lower(e.path().filename().string()) == want && e.is_regular_file(ec)) return e.path();
    return {};
}

// RGBA pixels, top row first, as the bytes of a PNG file; empty if they cannot be encoded.
std::vector<uint8_t> PngBytes(int width, int height, const std::vector<uint8_t>& rgba) {
    std::string encoded;
    if (!EncodeRgbaPng(width, height, rgba.data(), RowOrder::TopDown, false, encoded)) return {};
    return {encoded.begin(), encoded.end()};
}

// An image to write as the game reads it: PNG and JPEG files as they are, anything the image
// library decodes (TGA, BMP) as PNG. False when it is neither.
bool AsGameImage(const std::string& name, std::vector<uint8_t> bytes, std::string& ext, ImportedTexture& out) {
    const std::string e = Lower(ext);
    if (e == "png" || e == "jpg" || e == "jpeg") {
        out.bytes = std::move(bytes);
        ext = e == "jpeg" ? "jpg" : e;
        return true;
    }
    try {
        DecodedImage img = DecodeImage(name + "." + e, bytes.data(), bytes.size());
        std::vector<uint8_t> rgba(static_cast<size_t>(img.width) * img.height * 4);
        for (size_t i = 0; i < rgba.size() / 4; ++i) {
            const uint8_t* s = &img.pixels[i * img.channels];
            const bool grey = img.channels < 3;
            rgba[i * 4 + 0] = s[0];
            rgba[i * 4 + 1] = grey ? s[0] : s[1];
            rgba[i * 4 + 2] = grey ? s[0] : s[2];
            rgba[i * 4 + 3] = img.channels == 4 ? s[3] : (img.channels == 2 ? s[1] : 255);
        }
        out.bytes = PngBytes(img.width, img.height, rgba);
        ext = "png";
        return !out.bytes.empty();
    } catch (const std::exception&) {
        return false;
    }
}

class Converter {
  public:
    Converter(const aiScene& scene, const std::string& path, const ImportOptions& options)
        : scene_(scene), path_(path), toGame_(SourceToGame(options)), options_(options) {}

    ImportedModel Run() {
        MaterialTextures();
        bool skinned = false;
        for (unsigned i = 0; i < scene_.mNumMeshes; ++i) skinned |= scene_.mMeshes[i]->mNumBones > 0;
        if (skinned) {
            Skeleton();
            out_.model.ModelType = ModelType::SkinnedBuffer;
            out_.model.Static = 0;
        } else {
            out_.model.ModelType = ModelType::StaticBuffer;
            out_.model.BoneParents = {-1};
            out_.model.RestPose = {RestBone{}};
            out_.model.Static = 1;
        }
        out_.model.ObjectKind = 1;
        Meshes(*scene_.mRootNode, aiMatrix4x4());
        if (triangles_.empty()) throw Error(path_, "no triangles to import");
        Groups();
        if (skinned) Animations();
        if (multiInfluence_ > 0)
            out_.notes.push_back(std::to_string(multiInfluence_) +
                                 " vertices had more than one joint; each now follows its heaviest joint");
        return std::move(out_);
    }

  private:
    struct Tri {
        unsigned material;
        ModelTriangle t;
    };

    // Each material's texture, loaded once; texture name "NOTEXTURE" when it has none.
    void MaterialTextures() {
        const fs::path sourceDir = fs::path(path_).parent_path();
        std::map<std::string, std::string> byRef;  // source reference -> texture name
        for (unsigned m = 0; m < scene_.mNumMaterials; ++m) {
            aiString ref;
            const aiMaterial* mat = scene_.mMaterials[m];
            if (mat->GetTexture(aiTextureType_BASE_COLOR, 0, &ref) != AI_SUCCESS &&
                mat->GetTexture(aiTextureType_DIFFUSE, 0, &ref) != AI_SUCCESS) {
                materialTexture_.push_back("NOTEXTURE");
                continue;
            }
            const std::string key = ref.C_Str();
            if (auto it = byRef.find(key); it != byRef.end()) {
                materialTexture_.push_back(it->second);
                continue;
            }
            materialTexture_.push_back(LoadTexture(key, sourceDir));
            byRef[key] = materialTexture_.back();
        }
    }

    std::string LoadTexture(const std::string& ref, const fs::path& sourceDir) {
        ImportedTexture tex;
        std::string ext, stem;
        std::vector<uint8_t> bytes;
        if (const aiTexture* embedded = scene_.GetEmbeddedTexture(ref.c_str())) {
            stem = "texture" + std::to_string(out_.textures.size());
            if (embedded->mHeight == 0) {
                const auto* p = reinterpret_cast<const uint8_t*>(embedded->pcData);
                bytes.assign(p, p + embedded->mWidth);
                ext = embedded->achFormatHint;
            } else {
                // Uncompressed texels (BGRA): written as PNG.
                std::vector<uint8_t> rgba;
                for (size_t i = 0; i < size_t{embedded->mWidth} * embedded->mHeight; ++i) {
                    const aiTexel& t = embedded->pcData[i];
                    rgba.insert(rgba.end(), {t.r, t.g, t.b, t.a});
                }
                bytes = PngBytes(static_cast<int>(embedded->mWidth), static_cast<int>(embedded->mHeight), rgba);
                ext = "png";
            }
        } else {
            const fs::path file = FindReferenced(sourceDir, ref);
            if (file.empty()) {
                out_.notes.push_back("texture " + ref + " not found; the material is drawn untextured");
                return "NOTEXTURE";
            }
            bytes = ReadBytes(file);
            stem = file.stem().string();
            ext = file.extension().string().substr(file.extension().empty() ? 0 : 1);
        }
        if (bytes.empty() || !AsGameImage(stem, std::move(bytes), ext, tex)) {
            out_.notes.push_back("texture " + ref + " is not an image the game reads; the material is drawn untextured");
            return "NOTEXTURE";
        }
        std::string name = SafeName(stem, "texture") + "." + ext;
        for (int n = 2; std::any_of(out_.textures.begin(), out_.textures.end(),
                                    [&](const ImportedTexture& t) { return Lower(t.name) == Lower(name); });
             ++n)
            name = SafeName(stem, "texture") + "_" + std::to_string(n) + "." + ext;
        tex.name = name;
        out_.textures.push_back(std::move(tex));
        return name;
    }

    // The joints of every skin, parents before children (scene order), with their bind pose.
    void Skeleton() {
        std::map<std::string, aiMatrix4x4> offsets;  // joint name -> inverse bind matrix
        for (unsigned i = 0; i < scene_.mNumMeshes; ++i) {
            const aiMesh& mesh = *scene_.mMeshes[i];
            for (unsigned b = 0; b < mesh.mNumBones; ++b) offsets.emplace(mesh.mBones[b]->mName.C_Str(), mesh.mBones[b]->mOffsetMatrix);
        }
        CollectJoints(*scene_.mRootNode, -1, offsets);
        if (joints_.size() != offsets.size())
            throw Error(path_, "a skin names a joint that is not in the scene");
        if (joints_.size() > static_cast<size_t>(kMaxPaletteBones))
            throw Error(path_, "the skin has " + std::to_string(joints_.size()) +
                                     " joints; the game's skinning palette holds " + std::to_string(kMaxPaletteBones));
        bool scaled = false;
        for (size_t j = 0; j < joints_.size(); ++j) {
            const aiMatrix4x4 bind = toGame_ * Inverse(offsets[joints_[j].node->mName.C_Str()]) * Inverse(toGame_);
            jointBind_.push_back(bind);
            jointIndex_[joints_[j].node->mName.C_Str()] = static_cast<int32_t>(j);
            out_.model.BoneParents.push_back(joints_[j].parent);
            const aiMatrix4x4 local = joints_[j].parent < 0 ? bind : Inverse(jointBind_[joints_[j].parent]) * bind;
            scaled |= HasScale(local);
            out_.model.RestPose.push_back({{local.a4, local.b4, local.c4}, EulerOf(local)});
        }
        if (scaled) out_.notes.push_back("the bind pose scales a joint; the game's bones only turn and move");
    }

    struct Joint {
        const aiNode* node;
        int32_t parent;
    };

    void CollectJoints(const aiNode& node, int32_t parentJoint, const std::map<std::string, aiMatrix4x4>& offsets) {
        int32_t self = parentJoint;
        if (offsets.count(node.mName.C_Str()) && std::none_of(joints_.begin(), joints_.end(), [&](const Joint& j) {
                return j.node->mName == node.mName;
            })) {
            joints_.push_back({&node, parentJoint});
            self = static_cast<int32_t>(joints_.size() - 1);
        }
        for (unsigned c = 0; c < node.mNumChildren; ++c) CollectJoints(*node.mChildren[c], self, offsets);
    }

    void Meshes(const aiNode& node, const aiMatrix4x4& parent) {
        const aiMatrix4x4 global = parent * node.mTransformation;
        for (unsigned i = 0; i < node.mNumMeshes; ++i) Mesh(*scene_.mMeshes[node.mMeshes[i]], global);
        for (unsigned c = 0; c < node.mNumChildren; ++c) Meshes(*node.mChildren[c], global);
    }

    void Mesh(const aiMesh& mesh, const aiMatrix4x4& global) {
        // A skinned mesh's vertices are in the skin's space (its node's placement does not
        // apply); others are placed by their node.
        const aiMatrix4x4 place = mesh.mNumBones > 0 ? toGame_ : toGame_ * global;
        const aiMatrix3x3 normalPlace = aiMatrix3x3(place).Inverse().Transpose();
        std::vector<int32_t> bone(mesh.mNumVertices, 0);
        std::vector<float> best(mesh.mNumVertices, 0.0f);
        std::vector<int> influences(mesh.mNumVertices, 0);
        for (unsigned b = 0; b < mesh.mNumBones; ++b) {
            const aiBone& ab = *mesh.mBones[b];
            const int32_t j = jointIndex_.at(ab.mName.C_Str());
            for (unsigned w = 0; w < ab.mNumWeights; ++w) {
                const aiVertexWeight& vw = ab.mWeights[w];
                if (vw.mVertexId >= mesh.mNumVertices) continue;
                if (vw.mWeight >= kMinorWeight) ++influences[vw.mVertexId];
                if (vw.mWeight > best[vw.mVertexId]) {
                    best[vw.mVertexId] = vw.mWeight;
                    bone[vw.mVertexId] = j;
                }
            }
        }
        for (int n : influences) multiInfluence_ += n > 1;
        const bool skinned = out_.model.ModelType == ModelType::SkinnedBuffer;
        for (unsigned f = 0; f < mesh.mNumFaces; ++f) {
            const aiFace& face = mesh.mFaces[f];
            if (face.mNumIndices != 3) continue;
            ++out_.sourceTriangles;
            Tri tri{mesh.mMaterialIndex, {}};
            for (int k = 0; k < 3; ++k) {
                const unsigned vi = face.mIndices[k];
                ModelVertex& v = tri.t.v[k];
                aiVector3D p = place * mesh.mVertices[vi];
                aiVector3D n = mesh.mNormals ? (normalPlace * mesh.mNormals[vi]).Normalize() : aiVector3D(0, 0, 1);
                Grow(p);
                if (skinned) {
                    const aiMatrix4x4 toBone = Inverse(jointBind_[bone[vi]]);
                    p = toBone * p;
                    n = (aiMatrix3x3(toBone) * n).Normalize();
                    v.weights = {BoneWeight{bone[vi], 1.0f}, BoneWeight{0, 0.0f}, BoneWeight{0, 0.0f}};
                }
                v.position = ToVec(p);
                v.normal = ToVec(n);
                if (mesh.mTextureCoords[0]) {
                    // Stored as the buffered models store them: the upload turns t over.
                    v.s = mesh.mTextureCoords[0][vi].x;
                    v.t = mesh.mTextureCoords[0][vi].y;
                }
            }
            triangles_.push_back(tri);
        }
    }

    void Grow(const aiVector3D& p) {
        if (!anyPoint_) lo_ = hi_ = p;
        anyPoint_ = true;
        lo_ = {std::min(lo_.x, p.x), std::min(lo_.y, p.y), std::min(lo_.z, p.z)};
        hi_ = {std::max(hi_.x, p.x), std::max(hi_.y, p.y), std::max(hi_.z, p.z)};
    }

    // One draw group per material in use, in material order; the box from the bounds.
    void Groups() {
        std::stable_sort(triangles_.begin(), triangles_.end(),
                         [](const Tri& a, const Tri& b) { return a.material < b.material; });
        ModelFile& m = out_.model;
        for (size_t i = 0; i < triangles_.size(); ++i) {
            const Tri& t = triangles_[i];
            if (i == 0 || triangles_[i - 1].material != t.material) {
                m.DrawGroups.push_back({static_cast<int32_t>(i), 0});
                m.TextureNames.push_back(t.material < materialTexture_.size() ? materialTexture_[t.material] : "NOTEXTURE");
            }
            ++m.DrawGroups.back().triangleCount;
            m.Triangles.push_back(t.t);
        }
        // Only the textures a draw group names are written (a material no triangle uses has none).
        std::erase_if(out_.textures, [&](const ImportedTexture& t) {
            return std::find(m.TextureNames.begin(), m.TextureNames.end(), t.name) == m.TextureNames.end();
        });
        m.BoxSize = {hi_.x - lo_.x, hi_.y - lo_.y, hi_.z - lo_.z};
        m.BoxCentre = {(hi_.x + lo_.x) / 2, (hi_.y + lo_.y) / 2, (hi_.z + lo_.z) / 2};
    }

    // Every animation sampled at the chosen rate into frames of the joints' local poses.
    void Animations() {
        const aiNode* skinNode = FindSkinNode(*scene_.mRootNode);
        for (unsigned a = 0; a < scene_.mNumAnimations; ++a) {
            const aiAnimation& anim = *scene_.mAnimations[a];
            const double tps = anim.mTicksPerSecond > 0 ? anim.mTicksPerSecond : 25.0;
            const double seconds = anim.mDuration / tps;
            const size_t frames = std::min<size_t>(kMaxSmdFrames, static_cast<size_t>(seconds * options_.framesPerSecond) + 1);
            ImportedAnimation out;
            out.name = SafeName(anim.mName.C_Str(), "anim" + std::to_string(a));
            for (size_t f = 0; f < frames; ++f) {
                const double ticks = std::min(anim.mDuration, f / options_.framesPerSecond * tps);
                std::map<const aiNode*, aiMatrix4x4> globals;
                Globals(*scene_.mRootNode, aiMatrix4x4(), anim, ticks, globals);
                const aiMatrix4x4 skinSpace = skinNode ? Inverse(globals[skinNode]) : aiMatrix4x4();
                std::vector<aiMatrix4x4> world;
                SmdFrame frame;
                for (const Joint& j : joints_) {
                    world.push_back(toGame_ * skinSpace * globals[j.node] * Inverse(toGame_));
                    const aiMatrix4x4 local = j.parent < 0 ? world.back() : Inverse(world[j.parent]) * world.back();
                    SmdBonePose pose;
                    pose.rotation = EulerOf(local);
                    pose.quaternion = EulerToQuaternion(pose.rotation);
                    pose.position = {local.a4, local.b4, local.c4};
                    frame.bones.push_back(pose);
                }
                out.frames.frames.push_back(std::move(frame));
            }
            out_.animations.push_back(std::move(out));
        }
    }

    const aiNode* FindSkinNode(const aiNode& node) const {
        for (unsigned i = 0; i < node.mNumMeshes; ++i)
            if (scene_.mMeshes[node.mMeshes[i]]->mNumBones > 0) return &node;
        for (unsigned c = 0; c < node.mNumChildren; ++c)
            if (const aiNode* n = FindSkinNode(*node.mChildren[c])) return n;
        return nullptr;
    }

    static void Globals(const aiNode& node, const aiMatrix4x4& parent, const aiAnimation& anim, double ticks,
                        std::map<const aiNode*, aiMatrix4x4>& out) {
        aiMatrix4x4 local = node.mTransformation;
        for (unsigned c = 0; c < anim.mNumChannels; ++c)
            if (anim.mChannels[c]->mNodeName == node.mName) local = Sample(*anim.mChannels[c], ticks, local);
        const aiMatrix4x4 global = parent * local;
        out[&node] = global;
        for (unsigned c = 0; c < node.mNumChildren; ++c) Globals(*node.mChildren[c], global, anim, ticks, out);
    }

    template <typename Key>
    static std::pair<size_t, float> Span(const Key* keys, unsigned count, double ticks) {
        size_t i = 0;
        while (i + 1 < count && keys[i + 1].mTime <= ticks) ++i;
        if (i + 1 >= count || keys[i + 1].mTime <= keys[i].mTime) return {i, 0.0f};
        return {i, static_cast<float>((ticks - keys[i].mTime) / (keys[i + 1].mTime - keys[i].mTime))};
    }

    // A channel's transform at `ticks` (linear between keys, spherical for rotations); a part
    // with no keys keeps the node's own.
    static aiMatrix4x4 Sample(const aiNodeAnim& ch, double ticks, const aiMatrix4x4& own) {
        aiVector3D scale, pos;
        aiQuaternion rot;
        own.Decompose(scale, rot, pos);
        if (ch.mNumPositionKeys > 0) {
            auto [i, f] = Span(ch.mPositionKeys, ch.mNumPositionKeys, ticks);
            pos = ch.mPositionKeys[i].mValue;
            if (f > 0) pos += (ch.mPositionKeys[i + 1].mValue - pos) * f;
        }
        if (ch.mNumRotationKeys > 0) {
            auto [i, f] = Span(ch.mRotationKeys, ch.mNumRotationKeys, ticks);
            rot = ch.mRotationKeys[i].mValue;
            if (f > 0) aiQuaternion::Interpolate(rot, ch.mRotationKeys[i].mValue, ch.mRotationKeys[i + 1].mValue, f);
        }
        if (ch.mNumScalingKeys > 0) {
            auto [i, f] = Span(ch.mScalingKeys, ch.mNumScalingKeys, ticks);
            scale = ch.mScalingKeys[i].mValue;
            if (f > 0) scale += (ch.mScalingKeys[i + 1].mValue - scale) * f;
        }
        return aiMatrix4x4(scale, rot.Normalize(), pos);
    }

    const aiScene& scene_;
    std::string path_;
    aiMatrix4x4 toGame_;
    ImportOptions options_;
    ImportedModel out_;
    std::vector<std::string> materialTexture_;
    std::vector<Joint> joints_;
    std::vector<aiMatrix4x4> jointBind_;
    std::map<std::string, int32_t> jointIndex_;
    std::vector<Tri> triangles_;
    aiVector3D lo_, hi_;
    bool anyPoint_ = false;
    int multiInfluence_ = 0;
};

}  // namespace

ImportedModel ImportModel(const std::string& path, const ImportOptions& options) {
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) throw Error(path, "no such file");
    Assimp::Importer importer;
    // Points and lines are dropped: the game draws triangles only.
    importer.SetPropertyInteger(AI_CONFIG_PP_SBP_REMOVE, aiPrimitiveType_POINT | aiPrimitiveType_LINE);
    const aiScene* scene =
        importer.ReadFile(path, aiProcess_Triangulate | aiProcess_GenSmoothNormals | aiProcess_SortByPType |
                                    aiProcess_ValidateDataStructure);
    if (!scene || !scene->mRootNode || (scene->mFlags & AI_SCENE_FLAGS_INCOMPLETE))
        throw Error(path, importer.GetErrorString()[0] ? importer.GetErrorString() : "not a scene");
    ImageLibrary images;
    return Converter(*scene, path, options).Run();
}

std::vector<std::string> WriteImportedModel(const ImportedModel& imported, const std::string& outPath) {
    const fs::path dir = fs::path(outPath).parent_path();
    std::vector<std::string> written;
    auto put = [&](const fs::path& p, const std::vector<uint8_t>& bytes) {
        const Status saved =
            WriteFileAtomically(p.string(), std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
        if (!saved.ok()) throw saved.error();
        written.push_back(p.string());
    };
    for (const ImportedTexture& t : imported.textures) put(dir / t.name, t.bytes);
    const std::string stem = fs::path(outPath).stem().string();
    for (const ImportedAnimation& a : imported.animations)
        put(dir / (stem + "_" + a.name + ".smd"), WriteSmd(a.frames, imported.model.BoneParents));
    // The model last: it names the files above.
    put(outPath, WriteModel(imported.model));
    return written;
}

}  // namespace tv::import
