#include "models/model_file.h"

#include <gtest/gtest.h>

#include <cmath>

#include "common/binary_io.h"

namespace tv {
namespace {

void ExpectVec(const Vec3& a, const Vec3& b) {
    EXPECT_EQ(a.x, b.x);
    EXPECT_EQ(a.y, b.y);
    EXPECT_EQ(a.z, b.z);
}

// Every field compared; used by the round trips.
void ExpectSameModel(const ModelFile& a, const ModelFile& b) {
    EXPECT_EQ(a.ModelType, b.ModelType);
    EXPECT_EQ(a.ObjectKind, b.ObjectKind);
    EXPECT_EQ(a.BoneParents, b.BoneParents);
    ASSERT_EQ(a.Triangles.size(), b.Triangles.size());
    for (size_t i = 0; i < a.Triangles.size(); ++i) {
        for (int k = 0; k < 3; ++k) {
            const ModelVertex& va = a.Triangles[i].v[k];
            const ModelVertex& vb = b.Triangles[i].v[k];
            ExpectVec(va.position, vb.position);
            ExpectVec(va.normal, vb.normal);
            EXPECT_EQ(va.s, vb.s);
            EXPECT_EQ(va.t, vb.t);
            EXPECT_EQ(va.bone, vb.bone);
            for (int w = 0; w < 3; ++w) {
                EXPECT_EQ(va.weights[w].bone, vb.weights[w].bone);
                EXPECT_EQ(va.weights[w].weight, vb.weights[w].weight);
            }
        }
    }
    ASSERT_EQ(a.RestPose.size(), b.RestPose.size());
    for (size_t i = 0; i < a.RestPose.size(); ++i) {
        ExpectVec(a.RestPose[i].position, b.RestPose[i].position);
        ExpectVec(a.RestPose[i].rotation, b.RestPose[i].rotation);
    }
    ASSERT_EQ(a.DrawGroups.size(), b.DrawGroups.size());
    for (size_t i = 0; i < a.DrawGroups.size(); ++i) {
        EXPECT_EQ(a.DrawGroups[i].first, b.DrawGroups[i].first);
        EXPECT_EQ(a.DrawGroups[i].triangleCount, b.DrawGroups[i].triangleCount);
    }
    EXPECT_EQ(a.Billboard.halfWidth, b.Billboard.halfWidth);
    EXPECT_EQ(a.Billboard.height, b.Billboard.height);
    EXPECT_EQ(a.Billboard.extra, b.Billboard.extra);
    EXPECT_EQ(a.TextureNames, b.TextureNames);
    ExpectVec(a.BoxSize, b.BoxSize);
    ExpectVec(a.BoxCentre, b.BoxCentre);
    ASSERT_EQ(a.CollisionBoxes.size(), b.CollisionBoxes.size());
    for (size_t i = 0; i < a.CollisionBoxes.size(); ++i) {
        const TCUB& x = a.CollisionBoxes[i];
        const TCUB& y = b.CollisionBoxes[i];
        ExpectVec(x.centre, y.centre);
        ExpectVec(x.size, y.size);
        ExpectVec(x.angles, y.angles);
        ExpectVec(x.extraTriple, y.extraTriple);
        EXPECT_EQ(x.extraValue, y.extraValue);
        EXPECT_EQ(x.name, y.name);
        for (int k = 0; k < 3; ++k) EXPECT_EQ(x.further[k], y.further[k]);
    }
    ASSERT_EQ(a.CollisionSpheres.size(), b.CollisionSpheres.size());
    for (size_t i = 0; i < a.CollisionSpheres.size(); ++i) {
        const TSfera_Phiziki& x = a.CollisionSpheres[i];
        const TSfera_Phiziki& y = b.CollisionSpheres[i];
        ExpectVec(x.centre, y.centre);
        EXPECT_EQ(x.radius, y.radius);
        EXPECT_EQ(x.extraValue, y.extraValue);
        EXPECT_EQ(x.name, y.name);
        for (int k = 0; k < 3; ++k) EXPECT_EQ(x.further[k], y.further[k]);
    }
    EXPECT_EQ(a.BodyParameter, b.BodyParameter);
    EXPECT_EQ(a.Transparent, b.Transparent);
    EXPECT_EQ(a.Static, b.Static);
    ExpectVec(a.VectorA, b.VectorA);
    ExpectVec(a.VectorB, b.VectorB);
}

// A model with every field set to distinct values, in the given layout.
ModelFile SampleModel(ModelType type) {
    ModelFile m;
    m.ModelType = type;
    m.ObjectKind = 7;
    float next = 0.5f;
    auto f = [&next] { return next += 1.25f; };
    if (type == ModelType::Billboard) {
        m.Billboard = {f(), f(), {f(), f(), f(), f()}};
    } else {
        m.BoneParents = {-1, 0, 1, 0};
        for (int i = 0; i < 5; ++i) {
            ModelTriangle tri;
            for (int k = 0; k < 3; ++k) {
                ModelVertex& v = tri.v[k];
                v.position = {f(), f(), f()};
                v.normal = {f(), f(), f()};
                v.s = f();
                v.t = f();
                if (type == ModelType::SkinnedBuffer)
                    v.weights = {BoneWeight{k, 0.5f}, BoneWeight{3, 0.25f}, BoneWeight{i % 4, 0.25f}};
                if (type == ModelType::CpuSkinned) v.bone = (i + k) % 4;
            }
            m.Triangles.push_back(tri);
        }
        for (size_t b = 0; b < m.BoneParents.size(); ++b)
            m.RestPose.push_back({{f(), f(), f()}, {f(), f(), f()}});
        m.DrawGroups = {{11, 2}, {-4, 3}};
        if (type != ModelType::CpuSkinned) {
            m.VectorA = {f(), f(), f()};
            m.VectorB = {f(), f(), f()};
        }
    }
    m.TextureNames = {"body.jpg", "NOTEXTURE", ""};
    m.BoxSize = {f(), f(), f()};
    m.BoxCentre = {f(), f(), f()};
    TCUB box;
    box.centre = {f(), f(), f()};
    box.size = {f(), f(), f()};
    box.angles = {f(), f(), f()};
    box.extraTriple = {f(), f(), f()};
    box.extraValue = f();
    box.further[0] = f();
    box.further[1] = f();
    box.further[2] = f();
    box.name = "hull";
    m.CollisionBoxes = {box, box};
    m.CollisionBoxes[1].name = "";
    TSfera_Phiziki sphere;
    sphere.centre = {f(), f(), f()};
    sphere.radius = f();
    sphere.extraValue = f();
    sphere.further = {f(), f(), f()};
    sphere.name = "nose";
    m.CollisionSpheres = {sphere};
    m.BodyParameter = 0xDEADBEEF;
    m.Transparent = 1;
    m.Static = 2;
    return m;
}

TEST(ModelFile, EveryLayoutRoundTrips) {
    for (ModelType type : {ModelType::SkinnedBuffer, ModelType::StaticBuffer, ModelType::Billboard, ModelType::CpuSkinned}) {
        SCOPED_TRACE("type " + std::to_string(static_cast<int>(type)));
        const ModelFile m = SampleModel(type);
        ExpectSameModel(ReadModel(WriteModel(m), "m.3dk"), m);
    }
}

TEST(ModelFile, UnknownTypeBytesCarryOnlyTheHeader) {
    for (uint8_t type : {0, 5, 6, 200}) {
        const std::vector<uint8_t> bytes = {type, 9, 1, 2, 3, 4, 5};  // trailing bytes are not read
        const ModelFile m = ReadModel(bytes, "u.3dk");
        EXPECT_EQ(static_cast<uint8_t>(m.ModelType), type);
        EXPECT_EQ(m.ObjectKind, 9);
        EXPECT_TRUE(m.Triangles.empty());
        EXPECT_TRUE(m.TextureNames.empty());
        EXPECT_EQ(WriteModel(m).size(), 2u);
    }
}

// A type-2 model written by hand, field by field in file order.
std::vector<uint8_t> HandMadeStatic() {
    ByteWriter w;
    w.U8(2);
    w.U8(1);
    w.I32(1);  // one bone
    w.I32(-1);
    w.I32(1);  // one triangle
    for (int k = 0; k < 3; ++k) {
        for (int i = 0; i < 8; ++i) w.F32(static_cast<float>(k * 10 + i));
    }
    w.I32(1);
    for (float v : {1.0f, 0.1f, 2.0f, 0.2f, 3.0f, 0.3f}) w.F32(v);  // px, rx, py, ry, pz, rz
    w.I32(1);
    w.I32(77);
    w.I32(1);
    w.I32(1);
    w.I32(0);  // an empty length-prefixed name
    for (float v : {2.0f, 4.0f, 6.0f, 1.0f, 2.0f, 3.0f}) w.F32(v);
    w.I32(0);  // no boxes: no records, no names; the sphere count follows at once
    w.I32(2);
    for (int s = 0; s < 2; ++s) {
        for (int i = 0; i < 8; ++i) w.F32(static_cast<float>(100 * (s + 1) + i));
    }
    w.Text("abcd/");
    w.Text("/");
    w.U32(0x04030201);
    w.U8(1);
    w.U8(0);
    for (float v : {10.0f, -1.0f, 20.0f, -2.0f, 30.0f, -3.0f}) w.F32(v);  // A.x, B.x, A.y, B.y, A.z, B.z
    return w.Data();
}

TEST(ModelFile, HandMadeBytesLandInTheirFields) {
    const ModelFile m = ReadModel(HandMadeStatic(), "h.3dk");
    ASSERT_EQ(m.Triangles.size(), 1u);
    ExpectVec(m.Triangles[0].v[2].position, {20, 21, 22});
    ExpectVec(m.Triangles[0].v[2].normal, {23, 24, 25});
    EXPECT_EQ(m.Triangles[0].v[2].t, 27.0f);
    ASSERT_EQ(m.RestPose.size(), 1u);
    ExpectVec(m.RestPose[0].position, {1, 2, 3});
    ExpectVec(m.RestPose[0].rotation, {0.1f, 0.2f, 0.3f});
    EXPECT_EQ(m.DrawGroups[0].first, 77);
    ASSERT_EQ(m.TextureNames.size(), 1u);
    EXPECT_EQ(m.TextureNames[0], "");
    EXPECT_TRUE(m.CollisionBoxes.empty());
    ASSERT_EQ(m.CollisionSpheres.size(), 2u);
    ExpectVec(m.CollisionSpheres[1].centre, {200, 201, 202});
    EXPECT_EQ(m.CollisionSpheres[1].radius, 203.0f);
    EXPECT_EQ(m.CollisionSpheres[1].extraValue, 204.0f);
    EXPECT_EQ(m.CollisionSpheres[1].further[2], 207.0f);
    EXPECT_EQ(m.CollisionSpheres[0].name, "abcd");
    EXPECT_EQ(m.CollisionSpheres[1].name, "");
    EXPECT_EQ(m.BodyParameter, 0x04030201u);
    EXPECT_EQ(m.Transparent, 1);
    ExpectVec(m.VectorA, {10, 20, 30});
    ExpectVec(m.VectorB, {-1, -2, -3});
    // Written back, the same bytes.
    EXPECT_EQ(WriteModel(m), HandMadeStatic());
}

TEST(ModelFile, BoxCornersFollowTheLoaderOrder) {
    const auto c = ModelBoxCorners({1, 2, 3}, {2, 4, 6});
    ExpectVec(c[0], {2, 4, 6});
    ExpectVec(c[1], {2, 4, 0});
    ExpectVec(c[2], {0, 4, 0});
    ExpectVec(c[5], {2, 0, 0});
    ExpectVec(c[7], {0, 0, 6});
    EXPECT_FLOAT_EQ(ModelRadius({1, 2, 3}, {2, 4, 6}), std::sqrt(56.0f));
}

TEST(ModelFile, EveryTruncationIsADataErrorAtOrBeforeTheEnd) {
    for (ModelType type : {ModelType::SkinnedBuffer, ModelType::StaticBuffer, ModelType::Billboard, ModelType::CpuSkinned}) {
        const std::vector<uint8_t> full = WriteModel(SampleModel(type));
        for (size_t n = 0; n < full.size(); ++n) {
            std::vector<uint8_t> cut(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(n));
            try {
                ReadModel(cut, "cut.3dk");
                ADD_FAILURE() << "type " << int(type) << " cut at " << n << " read without error";
            } catch (const DataError& e) {
                EXPECT_LE(e.offset(), n);
                EXPECT_EQ(e.file(), "cut.3dk");
            }
        }
    }
}

// Patches the int32 at `offset` of a written model.
std::vector<uint8_t> Patched(std::vector<uint8_t> bytes, size_t offset, int32_t value) {
    for (int i = 0; i < 4; ++i)
        bytes[offset + i] = static_cast<uint8_t>(static_cast<uint32_t>(value) >> (8 * i));
    return bytes;
}

void ExpectError(const std::vector<uint8_t>& bytes, const std::string& field, size_t offset,
                 const std::string& says = "") {
    try {
        ReadModel(bytes, "bad.3dk");
        ADD_FAILURE() << "no error for field " << field;
    } catch (const DataError& e) {
        EXPECT_EQ(e.field(), field) << e.what();
        EXPECT_EQ(e.offset(), offset) << e.what();
        EXPECT_NE(e.message().find(says), std::string::npos) << e.what();
    }
}

TEST(ModelFile, HostileCountsAndIndicesAreRejected) {
    const std::vector<uint8_t> t1 = WriteModel(SampleModel(ModelType::SkinnedBuffer));
    const std::vector<uint8_t> t4 = WriteModel(SampleModel(ModelType::CpuSkinned));
    // Header 2, parent count at 2, parents at 6..21, triangle count at 22, triangles from 26.
    ExpectError(Patched(t1, 2, -1), "parent count", 2, "negative count -1");
    ExpectError(Patched(t1, 2, 0x7fffffff), "parent count", 2, "exceeds the cap");
    ExpectError(Patched(t1, 22, 0x7fffffff), "triangle count", 22);
    ExpectError(Patched(t1, 22, -5), "triangle count", 22, "negative count -5");
    // Well under the cap, and fewer than the bytes left, but not 168 bytes each.
    ExpectError(Patched(t1, 22, 100), "triangle count", 22, "bytes left");
    ExpectError(Patched(t1, 10, 1), "parents", 10);  // bone 1 its own parent
    ExpectError(Patched(t1, 14, 3), "parents", 14);  // bone 2 under a later bone
    ExpectError(Patched(t1, 6, -2), "parents", 6);
    // Rest-pose count follows the 5 triangles: 26 + 5 * 168 for type 1.
    ExpectError(Patched(t1, 26 + 5 * 168, 3), "rest-pose count", 26 + 5 * 168);
    ExpectError(Patched(t4, 26 + 5 * 108, 3), "rest-pose count", 26 + 5 * 108);
    // Two groups but a texture count of 1.
    const size_t groups = 26 + 5 * 168 + 4 + 4 * 24;
    ExpectError(Patched(t1, groups + 20, 1), "texture count", groups + 20);
}

// Exporters write -1 for an unused influence, and some files carry groups longer than the
// mesh: both are read as stored (the drawing clamps them), with one warning each on stderr.
TEST(ModelFile, BoneIndicesOutsideTheBonesAndLongGroupsAreKeptWithOneWarningEach) {
    ModelFile m = SampleModel(ModelType::SkinnedBuffer);
    for (ModelTriangle& tri : m.Triangles) tri.v[2].weights[2] = {-1, 0.0f};  // unused influence
    m.Triangles[4].v[0].weights[1].bone = 9;  // past the 4 bones
    m.DrawGroups = {{0, 4}, {0, 7}};          // 11 triangles of 5
    // The first odd index: triangle 0, vertex 2, third influence.
    const size_t firstBone = 26 + 2 * 56 + 32 + 16, groups = 26 + 5 * 168 + 4 + 4 * 24;
    ::testing::internal::CaptureStderr();
    ExpectSameModel(ReadModel(WriteModel(m), "exported.3dk"), m);
    std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(err, "terravik: warning: exported.3dk: offset " + std::to_string(firstBone) +
                       ": triangles: 6 bone indices outside the 4 bones (the first is -1): kept, skinned by no bone\n"
                       "terravik: warning: exported.3dk: offset " + std::to_string(groups + 16) +
                       ": groups: group of 7 triangles reaches past the 5 triangles: drawn up to the last one\n");

    ModelFile cpu = SampleModel(ModelType::CpuSkinned);
    cpu.Triangles[1].v[1].bone = -1;
    cpu.DrawGroups[1].triangleCount = -3;
    ::testing::internal::CaptureStderr();
    ExpectSameModel(ReadModel(WriteModel(cpu), "cpu.3dk"), cpu);
    err = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("cpu.3dk: offset " + std::to_string(26 + 108 + 36 + 32) + ": triangles: 1 bone indices"),
              std::string::npos) << err;
    EXPECT_NE(err.find("group of -3 triangles"), std::string::npos) << err;

    // A file refused further on warns about nothing.
    std::vector<uint8_t> cut = WriteModel(m);
    cut.resize(groups + 20);
    ::testing::internal::CaptureStderr();
    EXPECT_THROW(ReadModel(cut, "cut.3dk"), DataError);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
}

TEST(ModelFile, GpuSkinnedModelsMayHaveMoreBonesThanThePalette) {
    // The palette skins the first 72; the file keeps every bone and every index as stored.
    ModelFile m = SampleModel(ModelType::SkinnedBuffer);
    m.BoneParents.assign(80, -1);
    m.RestPose.assign(80, {});
    m.Triangles[0].v[0].weights[0].bone = 79;
    ExpectSameModel(ReadModel(WriteModel(m), "many.3dk"), m);
}

TEST(ModelFile, SlashInANameCannotBeWritten) {
    ModelFile m = SampleModel(ModelType::Billboard);
    m.CollisionBoxes[0].name = "a/b";
    EXPECT_THROW(WriteModel(m), std::invalid_argument);
}

}  // namespace
}  // namespace tv
