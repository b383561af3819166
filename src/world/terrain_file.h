#pragma once
// The terrain file (level path + ".map") as plain data: grid size, side length, heights,
// per-corner texture coordinates and the texture name.

#include <cstdint>
#include <string>
#include <vector>

#include "common/memory_budget.h"

namespace tv {

struct TerrainFile {
    int32_t GridSize = 0;  // N cells per side
    float Size = 0.0f;     // side length S; the cell size is S / N
    // (N + 1) x (N + 1) heights, index i * (N + 1) + j (i along x, j along y).
    std::vector<float> Heights;
    // N x N cells, index (i * N + j) * 12: triangle A then B, three corners each, u then v.
    std::vector<float> TexCoords;
    int32_t TextureNameCount = 0;           // as read
    std::vector<std::string> TextureNames;  // the names present in the file
    std::string TextureName;                // the last one: the terrain texture, a file under "world\\"

    float Height(int i, int j) const { return Heights[static_cast<size_t>(i) * (GridSize + 1) + j]; }
    const float* CellTexCoords(int i, int j) const {
        return &TexCoords[(static_cast<size_t>(i) * GridSize + j) * 12];
    }
};

// No real terrain comes near this grid (the texture coordinates cost 48 bytes a cell). A short
// file still gets its whole grid, so this cap is what bounds the memory a few bytes can cost.
inline constexpr uint32_t kMaxTerrainGrid = 1024;

// Nor this many texture names (real terrains name one; each name costs 40 bytes and more).
inline constexpr int32_t kMaxTerrainTextureNames = 4096;

// Parses a terrain. A grid size <= 0 or above kMaxTerrainGrid, or more than
// kMaxTerrainTextureNames names, raise DataError. Past that,
// reads beyond the end transfer nothing: missing heights and texture coordinates stay 0 and a
// name that is cut off reads as empty (one warning on stderr naming the first missing field).
// The grid's heights and texture coordinates are charged to `budget` (may be null) first.
TerrainFile ReadTerrain(const std::vector<uint8_t>& bytes, const std::string& fileName,
                        StartupBudget* budget = nullptr);
TerrainFile ReadTerrainFile(const std::string& path, StartupBudget* budget = nullptr);

// Writes GridSize, Size, the heights, the texture coordinates, then TextureNames (count and
// names). Heights and TexCoords must have the sizes above (std::invalid_argument otherwise).
std::vector<uint8_t> WriteTerrain(const TerrainFile& terrain);

}  // namespace tv
