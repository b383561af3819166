#include "world/terrain.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>

#include "math/frustum.h"
#include "math/rotations.h"
#include "math/vector_math.h"

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

void TLand::BuildMesh(int32_t gridSize, float size, const std::vector<float>& heights, const std::vector<float>& texCoords) {
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

    if (RenderMode == 2) {
        Positions.assign(static_cast<size_t>(TriangleCount) * 9, 0.0f);
        TexCoords2.assign(static_cast<size_t>(TriangleCount) * 6, 0.0f);
        float* pos = Positions.data();
        float* tex = TexCoords2.data();
        ForEachCorner([&](const Vec3& p, const float* uv, const Vec3&) {
            *pos++ = p.x;
            *pos++ = p.y;
            *pos++ = p.z;
            *tex++ = uv[0];
            *tex++ = uv[1];
        });
    }
    BuildChunks();
    Built = 1;
}

void TLand::BuildChunks() {
    Chunks.clear();
    const float step = Size / static_cast<float>(GridSize);
    for (int ci = 0; ci < GridSize; ci += kTerrainChunkCells) {
        for (int cj = 0; cj < GridSize; cj += kTerrainChunkCells) {
            TerrainChunk c;
            c.firstRow = ci;
            c.firstColumn = cj;
            c.rows = std::min(kTerrainChunkCells, GridSize - ci);
            c.columns = std::min(kTerrainChunkCells, GridSize - cj);
            Vec3 lo = Vertex(ci, cj), hi = lo;
            for (int i = ci; i <= ci + c.rows; ++i) {
                for (int j = cj; j <= cj + c.columns; ++j) {
                    const Vec3& v = Vertex(i, j);
                    lo = {std::min(lo.x, v.x), std::min(lo.y, v.y), std::min(lo.z, v.z)};
                    hi = {std::max(hi.x, v.x), std::max(hi.y, v.y), std::max(hi.z, v.z)};
                }
            }
            c.centre = {(lo.x + hi.x) * 0.5f, (lo.y + hi.y) * 0.5f, (lo.z + hi.z) * 0.5f};
            const float hx = (hi.x - lo.x) * 0.5f, hy = (hi.y - lo.y) * 0.5f, hz = (hi.z - lo.z) * 0.5f;
            // The half diagonal, grown so that rounding in it and in the plane distances can
            // never leave out a corner: a chunk drawn needlessly costs little, one missing is
            // a hole in the ground.
            c.radius = std::sqrt(hx * hx + hy * hy + hz * hz) * 1.01f + step;
            Chunks.push_back(c);
        }
    }
}

void TLand::VisibleRanges(const Frustum& view, const Vec3& eye, VertexRanges& out) const {
    out.first.clear();
    out.count.clear();
    visibleChunks_.clear();
    for (size_t k = 0; k < Chunks.size(); ++k) {
        const TerrainChunk& c = Chunks[k];
        // An infinite height makes the sphere useless: such a chunk is always drawn.
        if (std::isfinite(c.radius) && !view.SphereInFrustum(c.centre.x, c.centre.y, c.centre.z, c.radius)) {
            continue;
        }
        const float dx = c.centre.x - eye.x, dy = c.centre.y - eye.y, dz = c.centre.z - eye.z;
        const float d = dx * dx + dy * dy + dz * dz;
        visibleChunks_.emplace_back(d >= 0.0f ? d : std::numeric_limits<float>::infinity(), static_cast<int32_t>(k));
    }
    // Ties (and chunks with no usable distance, last) keep the grid's order.
    std::stable_sort(visibleChunks_.begin(), visibleChunks_.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (const auto& [distance, k] : visibleChunks_) {
        const TerrainChunk& c = Chunks[static_cast<size_t>(k)];
        for (int i = c.firstRow; i < c.firstRow + c.rows; ++i) {
            out.first.push_back(6 * (i * GridSize + c.firstColumn));
            out.count.push_back(6 * c.columns);
        }
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
