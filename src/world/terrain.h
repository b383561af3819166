#pragma once
// The terrain: one square height field of N x N cells, drawn every frame as one textured
// triangle list, or as the parts of it the view can hold. The game has exactly one TLand,
// held by the Game context; the turret and the aircraft read its grid through the cell
// lookup below.
//
// Grid convention: vertex (i, j) lies at x = i * S / N, y = j * S / N, z = height. Cell (i, j)
// is made of triangle A (i, j), (i, j + 1), (i + 1, j) and triangle B (i, j + 1), (i + 1, j + 1),
// (i + 1, j); A has index 2 * (i * N + j), B the next one.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "common/memory_budget.h"
#include "math/vec3.h"

namespace tv {

class GpuStore;
struct Frustum;

// Bytes per triangle in the render-mode-1 buffer: 3 vertices of 15 floats (T4F_C4F_N3F_V4F).
inline constexpr int kTerrainBytesPerTriangle = 180;
// Largest grid the loader accepts: keeps a corrupt size field from asking for gigabytes.
inline constexpr int kMaxTerrainGridSize = 4096;
// Side of a drawing chunk in cells (the last row and column of chunks may be narrower).
inline constexpr int kTerrainChunkCells = 16;

// A square of the grid with a sphere that holds all its corners: cells firstRow..firstRow +
// rows - 1 (i) by firstColumn..firstColumn + columns - 1 (j).
struct TerrainChunk {
    Vec3 centre;
    float radius = 0.0f;
    int32_t firstRow = 0, rows = 0, firstColumn = 0, columns = 0;
};

// Vertex ranges of the render-mode-1 buffer, as glMultiDrawArrays takes them.
struct VertexRanges {
    std::vector<int32_t> first;
    std::vector<int32_t> count;
};

class TLand {
public:
    // Create: render mode 1 (vertex buffer), nothing built, no texture name.
    TLand();
    ~TLand();
    TLand(const TLand&) = delete;
    TLand& operator=(const TLand&) = delete;

    // Load, Build and Draw are the GL side (terrain_draw.cpp); the rest touches no GL.

    // Reads the terrain file at `path` (full path), loads dataRoot + "world\" + the last
    // texture name into `gpu` (null: none, a run without GL), computes the flat normals and
    // builds the render data for RenderMode (mode 1 needs a current GL context). Raises
    // DataError on a missing file or a grid size <= 0; a file that simply ends early leaves the
    // missing heights and coordinates at 0.
    void Load(const std::string& path, const std::string& dataRoot, GpuStore* gpu, StartupBudget* budget = nullptr);

    // Builds the mesh from values already in memory: heights has (N + 1)^2 entries (i outer,
    // j inner), texCoords N * N * 12 (cell by cell, triangle A then B, corners u, v). Missing
    // entries count as 0. Raises std::invalid_argument for N <= 0 or N > kMaxTerrainGridSize.
    // Then the render data for RenderMode: mode 1 uploads the vertex buffer (GL context
    // needed), mode 2 fills the client-side arrays. Does not load a texture; Load calls it
    // after reading the file.
    void Build(int32_t gridSize, float size, const std::vector<float>& heights,
               const std::vector<float>& texCoords);
    // Build without GL: the grid, its normals and texture coordinates, and in mode 2 the
    // client-side arrays; mode 1's buffer is left as it was.
    void BuildMesh(int32_t gridSize, float size, const std::vector<float>& heights,
                   const std::vector<float>& texCoords);

    // Calls visit(position, uv, normal) for the six corners of every cell, cells i-then-j,
    // triangle A's three corners then B's: the order of both render modes' arrays. `uv` points
    // at the corner's two texture coordinates; `normal` is its triangle's flat normal.
    template <typename Visit>
    void ForEachCorner(Visit&& visit) const {
        static constexpr int di[6] = {0, 0, 1, 0, 1, 1};
        static constexpr int dj[6] = {0, 1, 0, 1, 1, 0};
        for (int i = 0; i < GridSize; ++i) {
            for (int j = 0; j < GridSize; ++j) {
                const int t = 2 * (i * GridSize + j);
                for (int c = 0; c < 6; ++c) {
                    const size_t tri = static_cast<size_t>(t + c / 3);
                    visit(Vertex(i + di[c], j + dj[c]), &TexCoords[tri * 6 + (c % 3) * 2], Normals[tri * 3]);
                }
            }
        }
    }

    // Draws the whole terrain in one call; textured = 1 binds the terrain texture.
    // Mode 1 leaves texturing off and every client array disabled; mode 2 leaves 2-D
    // texturing on (its callers switch texturing themselves).
    void Draw(uint8_t textured) const;
    // Draws, textured, only the chunks that may show in the view, nearest first: the same
    // picture as Draw(1) (what lies wholly outside the view has no pixel), with fewer
    // triangles to transform and more hidden pixels rejected by the depth test before
    // shading. Mode 2 draws everything, as Draw(1).
    void DrawInView(const Frustum& view, const Vec3& eye) const;
    // The buffer ranges DrawInView draws: every chunk whose sphere is not wholly outside one
    // plane of the view (with a margin for rounding), sorted by the distance of its centre from
    // the eye, each as its rows of cells.
    void VisibleRanges(const Frustum& view, const Vec3& eye, VertexRanges& out) const;

    // Grid accessors the turret and the aircraft use.
    const Vec3& Vertex(int i, int j) const { return Vertices[static_cast<size_t>(i) * (GridSize + 1) + j]; }
    const Vec3& TriangleNormal(int triangle) const { return Normals[static_cast<size_t>(triangle) * 3]; }

    uint32_t VertexBuffer = 0;     // GL buffer name, render mode 1
    int32_t VertexBufferSize = 0;  // bytes, 180 per triangle
    uint32_t Texture = 0;          // id of the texture, which the renderer's store owns
    int32_t TextureNameCount = 0;  // name count read from the file
    uint8_t Built = 0;             // 1 once a mesh has been built
    int32_t RenderMode = 1;        // 1 = vertex buffer, 2 = client-side arrays
    std::vector<float> Positions;  // mode 2: 9 floats per triangle
    std::vector<float> TexCoords2; // mode 2: 6 floats per triangle
    std::string TextureName;       // the last texture name of the file
    int32_t GridSize = 0;          // N
    float Size = 0.0f;             // S, world units
    int32_t TriangleCount = 0;     // 2 * N * N
    std::vector<Vec3> Vertices;    // (N + 1) x (N + 1), [i][j] row-major
    std::vector<Vec3> Normals;     // three equal normals per triangle
    std::vector<float> TexCoords;  // six floats (three u, v pairs) per triangle
    std::vector<TerrainChunk> Chunks;  // built with the mesh, row of chunks by row

private:
    void BuildChunks();
    // Draw's body: every triangle when ranges is null, else those ranges (mode 1 only).
    void DrawRanges(uint8_t textured, const VertexRanges* ranges) const;
    mutable std::vector<std::pair<float, int32_t>> visibleChunks_;  // reused by VisibleRanges
    mutable VertexRanges ranges_;                                    // reused by DrawInView
};

// Result of the cell lookup: the cell under a ground point, and whether it is on the terrain.
struct TerrainCell {
    int i = 0;
    int j = 0;
    bool inside = false;
};

// The cell under (x, y): i = trunc(x / step), j = trunc(y / step) with step = S / N
// (truncation toward zero, so -0.5 * step is still cell 0). Outside when i or j is below 0
// or at least N, or when the terrain has no grid.
TerrainCell CellAt(const TLand& land, float x, float y);

// The two triangles of cell (i, j) as corner triples, in the order the grid defines them.
struct CellTriangles {
    Vec3 a[3];
    Vec3 b[3];
};
CellTriangles TrianglesOfCell(const TLand& land, int i, int j);

// True if the segment start -> end crosses triangle A or B of cell (i, j) (A tested first);
// `hit` receives the crossing point. The cell must be inside the grid.
bool SegmentCrossesCell(const TLand& land, int i, int j, const Vec3& start, const Vec3& end, Vec3& hit);

}  // namespace tv
