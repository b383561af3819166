// The terrain's GL side: loading its texture, the render-mode-1 vertex buffer and the draw.
// The grid itself, its normals and the cell lookups are in terrain.cpp.
#include <epoxy/gl.h>

#include "common/binary_io.h"
#include "common/data_paths.h"
#include "platform/paths.h"
#include "render/gl/gpu_store.h"
#include "world/terrain.h"
#include "world/terrain_file.h"

namespace tv {

void TLand::Load(const std::string& path, const std::string& dataRoot, GpuStore* gpu, StartupBudget* budget) {
    const TerrainFile file = ReadTerrainFile(ResolvePath(path), budget);
    if (file.GridSize > kMaxTerrainGridSize) {
        throw DataError(path, 0, "grid size",
                        "grid size " + std::to_string(file.GridSize) + " is larger than " +
                            std::to_string(kMaxTerrainGridSize));
    }
    TextureNameCount = file.TextureNameCount;
    TextureName = file.TextureName;
    // Like the first build, the texture comes before the mesh so the buffer upload is the
    // last GL call of the load.
    static const tv::Texture none;
    const tv::Texture& texture =
        gpu ? gpu->NewTexture(DataPath(dataRoot, std::string(paths::kWorldFolder) + TextureName)) : none;
    Texture = texture.id();
    if (budget)
        budget->Charge(uint64_t{4} * static_cast<uint64_t>(texture.width()) * static_cast<uint64_t>(texture.height()),
                       path, "texture");
    Build(file.GridSize, file.Size, file.Heights, file.TexCoords);
}

void TLand::Build(int32_t gridSize, float size, const std::vector<float>& heights, const std::vector<float>& texCoords) {
    const bool replacesBuffer = Built == 1 && VertexBuffer != 0;
    BuildMesh(gridSize, size, heights, texCoords);
    if (RenderMode == 1) {
        VertexBufferSize = kTerrainBytesPerTriangle * TriangleCount;
        if (replacesBuffer) glDeleteBuffers(1, &VertexBuffer);
        glGenBuffers(1, &VertexBuffer);
        glBindBuffer(GL_ARRAY_BUFFER, VertexBuffer);
        std::vector<float> staging(static_cast<size_t>(VertexBufferSize) / sizeof(float));
        float* out = staging.data();
        ForEachCorner([&](const Vec3& p, const float* uv, const Vec3& nn) {
            const float v[15] = {uv[0], uv[1], 0.0f, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f,
                                 nn.x,  nn.y,  nn.z, p.x,  p.y,  p.z,  1.0f};
            for (float f : v) *out++ = f;
        });
        glBufferData(GL_ARRAY_BUFFER, VertexBufferSize, staging.data(), GL_STATIC_DRAW);
        // Left bound after the upload, as every load leaves it.
    }
}

void TLand::Draw(uint8_t textured) const { DrawRanges(textured, nullptr); }

void TLand::DrawInView(const Frustum& view, const Vec3& eye) const {
    if (!Built) return;
    if (RenderMode != 1) {
        Draw(1);
        return;
    }
    VisibleRanges(view, eye, ranges_);
    DrawRanges(1, &ranges_);
}

void TLand::DrawRanges(uint8_t textured, const VertexRanges* ranges) const {
    if (!Built) return;
    if (RenderMode == 1) {
        glEnableClientState(GL_VERTEX_ARRAY);
        // Always source the arrays from our buffer: drawing untextured must not read
        // offset 0 of whatever client memory happens to be bound.
        glBindBuffer(GL_ARRAY_BUFFER, VertexBuffer);
        if (textured == 1) {
            glEnable(GL_TEXTURE_2D);
            glBindTexture(GL_TEXTURE_2D, Texture);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        }
        glInterleavedArrays(GL_T4F_C4F_N3F_V4F, 0, nullptr);
        if (!ranges) {
            glDrawArrays(GL_TRIANGLES, 0, 3 * TriangleCount);
        } else if (!ranges->first.empty()) {
            glMultiDrawArrays(GL_TRIANGLES, ranges->first.data(), ranges->count.data(),
                              static_cast<GLsizei>(ranges->first.size()));
        }
        glBindBuffer(GL_ARRAY_BUFFER, 0);
        glDisableClientState(GL_VERTEX_ARRAY);
        // glInterleavedArrays switched these on too; leaving them on would feed the
        // terrain's colours and normals into the next drawer's array draws.
        glDisableClientState(GL_COLOR_ARRAY);
        glDisableClientState(GL_NORMAL_ARRAY);
        glDisableClientState(GL_TEXTURE_COORD_ARRAY);
        if (textured == 1) glDisable(GL_TEXTURE_2D);
    } else if (RenderMode == 2) {
        glColor3f(1.0f, 1.0f, 1.0f);
        glEnable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, Texture);
        glVertexPointer(3, GL_FLOAT, 0, Positions.data());
        glTexCoordPointer(2, GL_FLOAT, 0, TexCoords2.data());
        glEnableClientState(GL_VERTEX_ARRAY);
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        glDrawArrays(GL_TRIANGLES, 0, 3 * TriangleCount);
        glDisableClientState(GL_VERTEX_ARRAY);
        glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    }
}

}  // namespace tv
