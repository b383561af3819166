#include "import_model.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "common/binary_io.h"
#include "models/bone_math.h"
#include "render/image_decode.h"

namespace tv::import {
namespace {

namespace fs = std::filesystem;

// Models made by other tools, as Debian's assimp-testmodels ships them.
const fs::path kModels = "/usr/share/assimp/models";

fs::path TempDir(const std::string& name) {
    const fs::path dir = fs::path(TERRAVIK_TEST_TMP) / ("import_" + name);
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir;
}

// Imports, writes, and reads the model back through the game's own readers.
ModelFile RoundTrip(const fs::path& source, const std::string& name, ImportedModel* out = nullptr) {
    ImportedModel imported = ImportModel(source.string(), {});
    const fs::path dir = TempDir(name);
    WriteImportedModel(imported, (dir / (name + ".3dk")).string());
    ModelFile model = ReadModelFile((dir / (name + ".3dk")).string());
    ImageLibrary images;
    for (const std::string& texture : model.TextureNames) {
        if (texture == "NOTEXTURE") continue;
        const std::vector<uint8_t> bytes = ReadWholeFile((dir / texture).string());
        const DecodedImage img = DecodeImage(texture, bytes.data(), bytes.size());
        EXPECT_GT(img.width, 0) << texture;
    }
    if (out) *out = std::move(imported);
    return model;
}

TEST(Import, StaticScenesFromGltfAndObjKeepTheirTrianglesTexturesAndBounds) {
    ASSERT_TRUE(fs::exists(kModels)) << "install assimp-testmodels";
    struct Case {
        fs::path file;
        size_t triangles;
        std::vector<std::string> textures;
        Vec3 boxSize;
    };
    const std::vector<Case> cases = {
        // an embedded PNG in a binary glTF; a referenced one beside a text glTF
        {kModels / "glTF2/BoxTextured-glTF-Binary/BoxTextured.glb", 12, {"texture0.png"}, {1, 1, 1}},
        {kModels / "glTF2/BoxTextured-glTF/BoxTextured.gltf", 12, {"CesiumLogoFlat.png"}, {1, 1, 1}},
        // OBJ with MTL naming its JPEG maps with backslashes, four materials in use
        {kModels / "OBJ/spider.obj", 1368,
         {"wal67ar_small.jpg", "SpiderTex.jpg", "drkwood2.jpg", "engineflare1.jpg"}, {150.59f, 193.38f, 79.74f}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file.string());
        const ModelFile m = RoundTrip(c.file, c.file.stem().string());
        EXPECT_EQ(m.ModelType, ModelType::StaticBuffer);
        EXPECT_EQ(m.Triangles.size(), c.triangles);
        EXPECT_EQ(m.TextureNames, c.textures);
        size_t files = 0;  // beside the model: the model and exactly the textures it names
        for (const auto& e : fs::directory_iterator(fs::path(TERRAVIK_TEST_TMP) / ("import_" + c.file.stem().string())))
            files += e.path().extension() != ".3dk";
        EXPECT_EQ(files, c.textures.size());
        int grouped = 0;
        for (const DrawGroup& g : m.DrawGroups) grouped += g.triangleCount;
        EXPECT_EQ(grouped, static_cast<int>(c.triangles));
        EXPECT_NEAR(m.BoxSize.x, c.boxSize.x, 0.01f);
        EXPECT_NEAR(m.BoxSize.y, c.boxSize.y, 0.01f);
        EXPECT_NEAR(m.BoxSize.z, c.boxSize.z, 0.01f);
    }
    // The scale, and Y-up turned to Z-up: the source's 79.74 high spider keeps that height in
    // z (legs down at -42.23) unless the source is said to be Z-up already.
    ImportOptions zUp;
    zUp.up = UpAxis::Z;
    zUp.scale = 0.5f;
    const ImportedModel asIs = ImportModel((kModels / "OBJ/spider.obj").string(), zUp);
    EXPECT_NEAR(asIs.model.BoxSize.y, 79.74f / 2, 0.01f);
    EXPECT_NEAR(asIs.model.BoxSize.z, 193.38f / 2, 0.01f);
    const ModelFile upright = RoundTrip(kModels / "OBJ/spider.obj", "spider_up");
    EXPECT_NEAR(upright.BoxCentre.z - upright.BoxSize.z / 2, -42.23f, 0.01f);
}

// A bone's absolute matrices from the rest pose or a frame, as the game poses them.
std::vector<Matrix4> Pose(const std::vector<int32_t>& parents, const std::vector<Vec3>& rotations,
                          const std::vector<Vec3>& positions) {
    std::vector<Matrix4> abs(parents.size(), IdentityMatrix());
    for (size_t i = 0; i < parents.size(); ++i) {
        Matrix4 local = IdentityMatrix();
        SetLocalMatrix(local, EulerToQuaternion(rotations[i]), positions[i]);
        abs[i] = parents[i] < 0 ? local : ComposeAffine(abs[static_cast<size_t>(parents[i])], local);
    }
    return abs;
}

TEST(Import, AGltfSkinBecomesBonesWhoseRestPoseAndAnimationMoveTheMesh) {
    ImportedModel imported;
    const ModelFile m = RoundTrip(kModels / "glTF2/simple_skin/simple_skin.gltf", "skin", &imported);
    ASSERT_EQ(m.ModelType, ModelType::SkinnedBuffer);
    ASSERT_EQ(m.BoneParents, (std::vector<int32_t>{-1, 0}));
    ASSERT_EQ(imported.animations.size(), 1u);
    EXPECT_FALSE(imported.notes.empty());  // its vertices blend two joints; the note says so

    std::vector<Vec3> rot, pos;
    for (const RestBone& b : m.RestPose) rot.push_back(b.rotation), pos.push_back(b.position);
    const std::vector<Matrix4> rest = Pose(m.BoneParents, rot, pos);
    // At rest every vertex lands on the source's 1 x 2 strip (x in {0, 1}, height 0..2 in
    // steps of 0.5), turned upright: y = 0.
    for (const ModelTriangle& t : m.Triangles)
        for (const ModelVertex& v : t.v) {
            const Vec3 p = TransformPoint(rest[static_cast<size_t>(v.weights[0].bone)], v.position);
            EXPECT_NEAR(p.y, 0.0f, 1e-5f);
            EXPECT_NEAR(std::fabs(p.x - 0.5f), 0.5f, 1e-5f);
            EXPECT_NEAR(std::round(p.z * 2) / 2, p.z, 1e-5f);
        }

    // The animation file beside the model reads back; half-way its second joint has turned a
    // quarter about the game's y, which swings the strip's top out of the y = 0 plane? No:
    // about y it stays in the plane and its top leaves the height it had.
    const fs::path smd = fs::path(TERRAVIK_TEST_TMP) / "import_skin" / ("skin_" + imported.animations[0].name + ".smd");
    const SmdAnimation anim = ReadSmdFile(smd.string());
    ASSERT_GT(anim.frames.size(), 30u);
    float topHeight = 10;
    for (const SmdFrame& f : anim.frames) {
        ASSERT_EQ(f.bones.size(), 2u);
        std::vector<Vec3> fr, fp;
        for (const SmdBonePose& b : f.bones) fr.push_back(b.rotation), fp.push_back(b.position);
        const std::vector<Matrix4> posed = Pose(m.BoneParents, fr, fp);
        for (const ModelTriangle& t : m.Triangles)
            for (const ModelVertex& v : t.v)
                if (v.weights[0].bone == 1)
                    topHeight = std::min(topHeight, TransformPoint(posed[1], v.position).z);
    }
    EXPECT_LT(topHeight, 1.01f);  // turned a quarter, the top half lies at the joint's height
}

TEST(Import, ScenesTheGameCannotTakeAreClearErrors) {
    const fs::path dir = TempDir("bad");
    // 73 joints in a chain, one past the skinning palette.
    std::string nodes = "{\"mesh\":0,\"skin\":0,\"children\":[1]}", joints;
    for (int i = 1; i <= 73; ++i) {
        nodes += ",{\"translation\":[0,0.1,0]" + (i < 73 ? ",\"children\":[" + std::to_string(i + 1) + "]" : "") + "}";
        joints += (i > 1 ? "," : "") + std::to_string(i);
    }
    // one triangle: positions, joints (unsigned bytes) and weights, every vertex on joint 73
    std::vector<float> bin = {0, 0, 0, 1, 0, 0, 0, 1, 0};
    bin.resize(bin.size() + 3, 0);  // joints: twelve bytes set below
    for (int v = 0; v < 3; ++v) bin.insert(bin.end(), {1, 0, 0, 0});
    auto* jointBytes = reinterpret_cast<uint8_t*>(&bin[9]);
    for (int v = 0; v < 3; ++v) jointBytes[v * 4] = 72;
    for (int j = 0; j < 73; ++j)  // identity inverse bind matrices
        for (int k = 0; k < 16; ++k) bin.push_back(k % 5 == 0 ? 1.0f : 0.0f);
    std::ofstream(dir / "chain.bin", std::ios::binary)
        .write(reinterpret_cast<const char*>(bin.data()), static_cast<std::streamsize>(bin.size() * 4));
    std::ofstream(dir / "chain.gltf")
        << "{\"asset\":{\"version\":\"2.0\"},\"scene\":0,\"scenes\":[{\"nodes\":[0]}],\"nodes\":[" << nodes
        << "],\"skins\":[{\"inverseBindMatrices\":3,\"joints\":[" << joints << "]}],"
        << "\"meshes\":[{\"primitives\":[{\"attributes\":{\"POSITION\":0,\"JOINTS_0\":1,\"WEIGHTS_0\":2}}]}],"
        << "\"buffers\":[{\"byteLength\":4768,\"uri\":\"chain.bin\"}],"
        << "\"bufferViews\":[{\"buffer\":0,\"byteOffset\":0,\"byteLength\":36},"
        << "{\"buffer\":0,\"byteOffset\":36,\"byteLength\":12},{\"buffer\":0,\"byteOffset\":48,\"byteLength\":48},"
        << "{\"buffer\":0,\"byteOffset\":96,\"byteLength\":4672}],"
        << "\"accessors\":[{\"bufferView\":0,\"componentType\":5126,\"count\":3,\"type\":\"VEC3\","
        << "\"min\":[0,0,0],\"max\":[1,1,0]},"
        << "{\"bufferView\":1,\"componentType\":5121,\"count\":3,\"type\":\"VEC4\"},"
        << "{\"bufferView\":2,\"componentType\":5126,\"count\":3,\"type\":\"VEC4\"},"
        << "{\"bufferView\":3,\"componentType\":5126,\"count\":73,\"type\":\"MAT4\"}]}";
    std::ofstream(dir / "empty.obj") << "# no faces\nv 0 0 0\nv 1 0 0\n";
    std::ofstream(dir / "broken.gltf") << "{\"asset\":{\"version\":\"2.0\"},\"nodes\":[{";
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"chain.gltf", "73 joints; the game's skinning palette holds 72"},
        {"empty.obj", ""},
        {"broken.gltf", ""},
        {"missing.gltf", "no such file"},
    };
    for (const auto& [file, reason] : cases) {
        const std::string path = (dir / file).string();
        try {
            ImportModel(path, {});
            ADD_FAILURE() << file << " imported";
        } catch (const std::runtime_error& e) {
            EXPECT_EQ(std::string(e.what()).rfind(path + ": ", 0), 0u) << e.what();
            EXPECT_NE(std::string(e.what()).find(reason), std::string::npos) << e.what();
        }
    }
}

}  // namespace
}  // namespace tv::import
