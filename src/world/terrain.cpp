#include "world/terrain.h"

#include <epoxy/gl.h>

#include <cmath>
#include <stdexcept>

#include "common/binary_io.h"
#include "common/data_paths.h"
#include "math/rotations.h"
#include "math/vector_math.h"
#include "platform/paths.h"
#include "render/texture.h"
#include "world/terrain_file.h"

namespace tv {

namespace {

// The flat normal of a ground triangle, pointing up for the grid's winding.
Vec3 FlatNormal(const Vec3& p1, const Vec3& p2, const Vec3& p3) {
    Vec3 n;
    TriangleNormal(n.x, n.y, n.z, p1.x, p1.y, p1.z, p2.x, p2.y, p2.z, p3.x, p3.y, p3.z);
    return n;
}

}  // namespace

TLand::TLand() = default;

// The buffer and the texture belong to the GL context and go with it; the terrain lives as
// long as the game, and the context may already be gone when it is destroyed.
TLand::~TLand() = default;

void TLand::Load(const std::string& path, const std::string& dataRoot) {
    const TerrainFile file = ReadTerrainFile(ResolvePath(path));
    if (file.GridSize > kMaxTerrainGridSize) {
        throw DataError(path, 0, "grid size",
                        "grid size " + std::to_string(file.GridSize) + " is larger than " +
                            std::to_string(kMaxTerrainGridSize));
    }
    TextureNameCount = file.TextureNameCount;
    TextureName = file.TextureName;
    // Like the first build, the texture comes before the mesh so the buffer upload is the
    // last GL call of the load.
    Texture = LoadTexture(DataPath(dataRoot, std::string(paths::kWorldFolder) + TextureName));
    Build(file.GridSize, file.Size, file.Heights, file.TexCoords);
}

void TLand::Build(int32_t gridSize, float size, const std::vector<float>& heights, const std::vector<float>& texCoords) {
    if (gridSize <= 0 || gridSize > kMaxTerrainGridSize) {
        throw std::invalid_argument("terrain grid size " + std::to_string(gridSize) + " is out of range 1.." +
                                    std::to_string(kMaxTerrainGridSize));
    }
    const int n = gridSize;
    GridSize = n;
    Size = size;
    TriangleCount = 2 * n * n;
    const size_t side = static_cast<size_t>(n) + 1;
    Vertices.assign(side * side, Vec3{});
    Normals.assign(2 * side * side * 3, Vec3{});
    TexCoords.assign(static_cast<size_t>(TriangleCount) * 6, 0.0f);

    const float step = size / static_cast<float>(n);
    for (size_t i = 0; i < side; ++i) {
        for (size_t j = 0; j < side; ++j) {
            const size_t k = i * side + j;
            Vertices[k] = {static_cast<float>(i) * step, static_cast<float>(j) * step, k < heights.size() ? heights[k] : 0.0f};
        }
    }
    for (size_t k = 0; k < TexCoords.size() && k < texCoords.size(); ++k) TexCoords[k] = texCoords[k];

    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < n; ++j) {
            const int t = 2 * (i * n + j);
            const Vec3 na = FlatNormal(Vertex(i, j), Vertex(i, j + 1), Vertex(i + 1, j));
            const Vec3 nb = FlatNormal(Vertex(i, j + 1), Vertex(i + 1, j + 1), Vertex(i + 1, j));
            for (int c = 0; c < 3; ++c) {
                Normals[static_cast<size_t>(t) * 3 + c] = na;
                Normals[static_cast<size_t>(t + 1) * 3 + c] = nb;
            }
        }
    }

    // Six vertices per cell: A(1, 2, 3) then B(1, 2, 3), cells i-then-j, each corner carrying
    // its triangle's texture coordinates and normal.
    auto corners = [&](int i, int j, int c) -> const Vec3& {
        static constexpr int di[6] = {0, 0, 1, 0, 1, 1};
        static constexpr int dj[6] = {0, 1, 0, 1, 1, 0};
        return Vertex(i + di[c], j + dj[c]);
    };

    if (RenderMode == 1) {
        VertexBufferSize = kTerrainBytesPerTriangle * TriangleCount;
        if (Built == 1 && VertexBuffer != 0) glDeleteBuffers(1, &VertexBuffer);
        glGenBuffers(1, &VertexBuffer);
        glBindBuffer(GL_ARRAY_BUFFER, VertexBuffer);
        std::vector<float> staging(static_cast<size_t>(VertexBufferSize) / sizeof(float));
        float* out = staging.data();
        for (int i = 0; i < n; ++i) {
            for (int j = 0; j < n; ++j) {
                const int t = 2 * (i * n + j);
                for (int c = 0; c < 6; ++c) {
                    const int tri = t + c / 3;
                    const float* uv = &TexCoords[static_cast<size_t>(tri) * 6 + (c % 3) * 2];
                    const Vec3& nn = Normals[static_cast<size_t>(tri) * 3];
                    const Vec3& p = corners(i, j, c);
                    const float v[15] = {uv[0], uv[1], 0.0f, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f,
                                         nn.x,  nn.y,  nn.z, p.x,  p.y,  p.z,  1.0f};
                    for (float f : v) *out++ = f;
                }
            }
        }
        glBufferData(GL_ARRAY_BUFFER, VertexBufferSize, staging.data(), GL_STATIC_DRAW);
        // Left bound after the upload, as every load leaves it.
    }
    if (RenderMode == 2) {
        Positions.assign(static_cast<size_t>(TriangleCount) * 9, 0.0f);
        TexCoords2.assign(static_cast<size_t>(TriangleCount) * 6, 0.0f);
        float* pos = Positions.data();
        float* tex = TexCoords2.data();
        for (int i = 0; i < n; ++i) {
            for (int j = 0; j < n; ++j) {
                const int t = 2 * (i * n + j);
                for (int c = 0; c < 6; ++c) {
                    const int tri = t + c / 3;
                    const float* uv = &TexCoords[static_cast<size_t>(tri) * 6 + (c % 3) * 2];
                    const Vec3& p = corners(i, j, c);
                    *pos++ = p.x;
                    *pos++ = p.y;
                    *pos++ = p.z;
                    *tex++ = uv[0];
                    *tex++ = uv[1];
                }
            }
        }
    }
    Built = 1;
}

void TLand::Draw(uint8_t textured) const {
    if (!Built) return;
    if (RenderMode == 1) {
        glEnableClientState(GL_VERTEX_ARRAY);
        // Always source the arrays from our buffer: drawing untextured must not read
        // offset 0 of whatever client memory happens to be bound.
        glBindBuffer(GL_ARRAY_BUFFER, VertexBuffer);
        if (textured == 1) {
            glEnable(GL_TEXTURE_2D);
            glBindTexture(GL_TEXTURE_2D, Texture.id());
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        }
        glInterleavedArrays(GL_T4F_C4F_N3F_V4F, 0, nullptr);
        glDrawArrays(GL_TRIANGLES, 0, 3 * TriangleCount);
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
        glBindTexture(GL_TEXTURE_2D, Texture.id());
        glVertexPointer(3, GL_FLOAT, 0, Positions.data());
        glTexCoordPointer(2, GL_FLOAT, 0, TexCoords2.data());
        glEnableClientState(GL_VERTEX_ARRAY);
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        glDrawArrays(GL_TRIANGLES, 0, 3 * TriangleCount);
        glDisableClientState(GL_VERTEX_ARRAY);
        glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    }
}

TerrainCell CellAt(const TLand& land, float x, float y) {
    TerrainCell cell;
    if (land.GridSize <= 0 || land.Vertices.empty()) return cell;
    const float step = land.Size / static_cast<float>(land.GridSize);
    const double fi = std::trunc(static_cast<double>(x / step));
    const double fj = std::trunc(static_cast<double>(y / step));
    // NaN fails both comparisons and lands outside.
    if (!(fi >= 0.0 && fi < land.GridSize && fj >= 0.0 && fj < land.GridSize)) return cell;
    cell.i = static_cast<int>(fi);
    cell.j = static_cast<int>(fj);
    cell.inside = true;
    return cell;
}

CellTriangles TrianglesOfCell(const TLand& land, int i, int j) {
    CellTriangles t;
    t.a[0] = land.Vertex(i, j);
    t.a[1] = land.Vertex(i, j + 1);
    t.a[2] = land.Vertex(i + 1, j);
    t.b[0] = land.Vertex(i, j + 1);
    t.b[1] = land.Vertex(i + 1, j + 1);
    t.b[2] = land.Vertex(i + 1, j);
    return t;
}

bool SegmentCrossesCell(const TLand& land, int i, int j, const Vec3& start, const Vec3& end, Vec3& hit) {
    if (i < 0 || j < 0 || i >= land.GridSize || j >= land.GridSize) return false;
    const CellTriangles t = TrianglesOfCell(land, i, j);
    const Vec3 d{end.x - start.x, end.y - start.y, end.z - start.z};
    float r = RayTriangle(t.a[0], t.a[1], t.a[2], start, d, hit);
    if (r >= 0.0f && r <= 1.0f) return true;
    r = RayTriangle(t.b[0], t.b[1], t.b[2], start, d, hit);
    return r >= 0.0f && r <= 1.0f;
}

}  // namespace tv
