// Drawing the six model layouts. Each draw switches on the GL state it needs and switches it
// off again; the caller's modelview matrix places the model.

#include <epoxy/gl.h>

#include <algorithm>

#include "models/model.h"
#include "models/gl/skin_program.h"
#include "render/gl/gpu_store.h"

namespace tv {

namespace {

constexpr GLsizei kSkinnedStride = 60;  // bytes per vertex of the skinned layout
constexpr float kAlphaCut = 0.5f;

void EnableAlphaTest() {
    glEnable(GL_ALPHA_TEST);
    glAlphaFunc(GL_GREATER, kAlphaCut);
}

}  // namespace

template <typename DrawRange>
void TModel::ForEachGroup(DrawRange&& draw) {
    int32_t first = 0;
    for (size_t g = 0; g < DrawGroups.size(); ++g) {
        const int32_t wanted = DrawGroups[g][1];
        const int32_t count = std::min(std::max(wanted, 0), std::max(TriangleCount - first, 0));
        // A group without a texture of its own is drawn untextured.
        glBindTexture(GL_TEXTURE_2D, Texture(g));
        if (count > 0) draw(first, count);
        first += count;
    }
}

void TModel::Draw(uint8_t alphaKey, bool textured, bool animate, int32_t animation, float time) {
    DrawWithState(alphaKey, textured, {animate ? PoseMode::Animation : PoseMode::Rest, animation, time, true});
}

void TModel::DrawRest(uint8_t alphaKey, bool textured) {
    DrawWithState(alphaKey, textured, {PoseMode::Rest, 0, 0.0f, false});
}

void TModel::DrawWithState(uint8_t alphaKey, bool textured, const DrawRequest& request) {
    const bool alphaTest = alphaKey == Transparent;
    if (alphaTest) EnableAlphaTest();
    if (textured) glEnable(GL_TEXTURE_2D);
    DrawLayout(request);
    if (alphaTest) glDisable(GL_ALPHA_TEST);
    if (textured) glDisable(GL_TEXTURE_2D);
}

void TModel::DrawLayout(const DrawRequest& request) {
    switch (ModelType) {
        case ModelType::SkinnedBuffer:
            DrawSkinnedPosed(request);
            if (request.full) glDisable(GL_ALPHA_TEST);
            if (gpu_ && gpu_->Part<SkinProgram>().Ensure()) SkinProgram::UseNone();
            break;
        case ModelType::StaticBuffer:
            DrawStaticBuffer();
            break;
        case ModelType::Billboard:
            // Cut out whatever key the caller gave; not undone after the draw.
            if (request.full && Transparent == 1) EnableAlphaTest();
            DrawBillboard(Billboard);
            break;
        case ModelType::CpuSkinned:
            UpdateSkeleton(request.pose, request.animation, request.time);
            SkinAndDrawTriangles();
            break;
        case ModelType::CpuSkinnedCopy:
            DrawSkinnedTriangles();
            break;
        case ModelType::ClientArrays:
            DrawClientArrays();
            break;
        default:
            break;  // a type byte without a layout draws nothing
    }
}

void TModel::DrawSkinnedPosed(const DrawRequest& request) {
    SkinProgram* skin = gpu_ ? &gpu_->Part<SkinProgram>() : nullptr;
    const bool skinned = skin && skin->Ensure();
    if (skinned) {
        skin->Use();
        skin->SetSampler(0);
    }
    UpdateSkeleton(request.pose, request.animation, request.time);
    FillBonePalette();
    if (request.full) TintColor = {1.0f, 1.0f, 1.0f, 1.0f};
    if (skinned) {
        skin->SetPalette(BonePalette[0].data(), kPaletteRows);
        skin->SetTint(TintColor.data());
        skin->SetTextured(glIsEnabled(GL_TEXTURE_2D) == GL_TRUE);
    }
    DrawSkinnedBuffer();
}

void TModel::DrawSkinnedBuffer() {
    if (!vertexBuffer_) return;
    glEnableClientState(GL_VERTEX_ARRAY);
    glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer_);
    const bool skinned = gpu_ && gpu_->Part<SkinProgram>().Ensure();
    if (skinned) {
        glInterleavedArrays(GL_T4F_C4F_N3F_V4F, 0, nullptr);
    } else {
        // No skinning program: the stored (rest) positions with plain texture coordinates.
        glVertexPointer(3, GL_FLOAT, kSkinnedStride, reinterpret_cast<const void*>(44));
        glNormalPointer(GL_FLOAT, kSkinnedStride, reinterpret_cast<const void*>(32));
        glTexCoordPointer(2, GL_FLOAT, kSkinnedStride, nullptr);
        glEnableClientState(GL_NORMAL_ARRAY);
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    }
    ForEachGroup([](int32_t first, int32_t count) { glDrawArrays(GL_TRIANGLES, first * 3, count * 3); });
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glDisableClientState(GL_VERTEX_ARRAY);
    // The arrays the layout switched on still point into this buffer; left enabled they would
    // feed this model's data to the next array draw of any other drawer.
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_COLOR_ARRAY);
}

void TModel::DrawStaticBuffer() {
    if (!vertexBuffer_) return;
    glEnableClientState(GL_VERTEX_ARRAY);
    glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer_);
    glInterleavedArrays(GL_T2F_N3F_V3F, 0, nullptr);
    ForEachGroup([](int32_t first, int32_t count) { glDrawArrays(GL_TRIANGLES, first * 3, count * 3); });
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
}

void TModel::DrawClientArrays() {
    if (FallbackPositions.empty()) return;
    glVertexPointer(3, GL_FLOAT, 0, FallbackPositions.data());
    glTexCoordPointer(2, GL_FLOAT, 0, FallbackTexCoords.data());
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    ForEachGroup([](int32_t first, int32_t count) { glDrawArrays(GL_TRIANGLES, first * 3, count * 3); });
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
}

void TModel::SkinAndDrawTriangles() {
    const size_t count = std::min(SkinTriangles.Source.size(), SkinTriangles.Skinned.size());
    for (size_t i = 0; i < count; ++i) {
        for (int j = 0; j < 3; ++j) {
            const SkinVertex& source = SkinTriangles.Source[i].V[j];
            SkinVertex& out = SkinTriangles.Skinned[i].V[j];
            const int32_t bone = source.Bone;
            if (bone < 0 || static_cast<size_t>(bone) >= Bones.size()) {
                out.Position = source.Position;
                out.Normal = source.Normal;
                continue;
            }
            const Matrix4& m = Bones[static_cast<size_t>(bone)].Absolute;
            out.Position = TransformPoint(m, source.Position);
            // Normals turn with their bone so lit draws stay right.
            out.Normal = TransformDirection(m, source.Normal);
        }
    }
    DrawSkinnedTriangles();
}

void TModel::DrawSkinnedTriangles() {
    const size_t available = std::min(SkinTriangles.Source.size(), SkinTriangles.Skinned.size());
    if (TriangleCount < 0 || static_cast<size_t>(TriangleCount) > available) return;
    ForEachGroup([this](int32_t first, int32_t count) {
        glBegin(GL_TRIANGLES);
        for (int32_t k = first; k < first + count; ++k) {
            const SkinTriangle& source = SkinTriangles.Source[static_cast<size_t>(k)];
            const SkinTriangle& skinned = SkinTriangles.Skinned[static_cast<size_t>(k)];
            for (int l = 0; l < 3; ++l) {
                glTexCoord2f(source.V[l].S, source.V[l].T);
                glNormal3f(skinned.V[l].Normal.x, skinned.V[l].Normal.y, skinned.V[l].Normal.z);
                glVertex3f(skinned.V[l].Position.x, skinned.V[l].Position.y, skinned.V[l].Position.z);
            }
        }
        glEnd();
    });
}

void TModel::DrawBillboard(const TBillboard& billboard) {
    // Its own image, not whichever texture the previous drawer left bound.
    if (!TextureNames.empty() || firstTexture_) glBindTexture(GL_TEXTURE_2D, Texture(0));
    DrawBillboardQuad(billboard, shared_->Sides);
}

void DrawBillboardQuad(const TBillboard& b, const BillboardSides& sides) {
    const float h = b.HalfWidth;
    glBegin(GL_TRIANGLE_STRIP);
    glNormal3f(0.0f, 1.0f, 0.0f);
    glTexCoord2f(0.0f, 1.0f);
    glVertex3f(b.X + sides.LeftX * h, b.Y + sides.LeftY * h, b.Z);
    glNormal3f(0.0f, 1.0f, 0.0f);
    glTexCoord2f(1.0f, 1.0f);
    glVertex3f(b.X + sides.RightX * h, b.Y + sides.RightY * h, b.Z);
    glNormal3f(0.0f, 1.0f, 0.0f);
    glTexCoord2f(0.0f, 0.0f);
    glVertex3f(b.X + sides.LeftX * h, b.Y + sides.LeftY * h, b.Z + b.Height);
    glNormal3f(0.0f, 1.0f, 0.0f);
    glTexCoord2f(1.0f, 0.0f);
    glVertex3f(b.X + sides.RightX * h, b.Y + sides.RightY * h, b.Z + b.Height);
    glEnd();
}

}  // namespace tv
