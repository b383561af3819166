#include "world/terrain_file.h"

#include <stdexcept>

#include "common/binary_io.h"
#include "world/level_file.h"

namespace tv {

TerrainFile ReadTerrain(const std::vector<uint8_t>& bytes, const std::string& fileName, StartupBudget* budget) {
    TerrainFile t;
    ShortReadCursor c(bytes, fileName);
    if (!c.I32(t.GridSize) || t.GridSize <= 0) {
        throw DataError(fileName, 0, "grid size",
                        "grid size " + std::to_string(t.GridSize) + " is not positive");
    }
    if (static_cast<uint32_t>(t.GridSize) > kMaxTerrainGrid) {
        throw DataError(fileName, 0, "grid size",
                        "grid size " + std::to_string(t.GridSize) + " exceeds the cap of " +
                            std::to_string(kMaxTerrainGrid));
    }
    c.F32(t.Size, "side length");
    // The grid cap bounds what a short file can cost; heights, texture coordinates and names
    // the file lacks stay 0 (or empty).
    const uint64_t side = static_cast<uint64_t>(t.GridSize) + 1;
    const uint64_t gridCells = static_cast<uint64_t>(t.GridSize) * static_cast<uint64_t>(t.GridSize);
    if (budget) budget->Charge(sizeof(float) * (side * side + gridCells * 12), fileName, "grid size");
    t.Heights.assign(side * side, 0.0f);
    for (float& h : t.Heights) {
        if (!c.F32(h, "heights")) break;
    }
    if (c.Cut()) {
        WarnData(fileName, c.CutOffset(), c.CutOffset() < 8 ? "side length" : "heights",
                 "the file ends before its heights do: the missing ones stay 0");
    }
    const size_t cells = static_cast<size_t>(t.GridSize) * static_cast<size_t>(t.GridSize);
    t.TexCoords.assign(cells * 12, 0.0f);
    for (float& uv : t.TexCoords) {
        if (!c.F32(uv, "texture coordinates")) break;  // everything after the end stays 0
    }
    const size_t countAt = c.Offset();
    c.I32(t.TextureNameCount);
    // Each name costs a string (32 bytes and more) however short its record; the game uses
    // only the last one, and real terrains name one.
    if (t.TextureNameCount > kMaxTerrainTextureNames) {
        throw DataError(fileName, countAt, "texture names",
                        "count " + std::to_string(t.TextureNameCount) + " exceeds the cap of " +
                            std::to_string(kMaxTerrainTextureNames));
    }
    for (int32_t k = 0; k < t.TextureNameCount; ++k) {
        // Each name replaces the previous one; a name cut off by the end reads as empty.
        t.TextureName.clear();
        if (c.AtEnd()) break;
        std::string name;
        if (!c.String(name)) break;
        t.TextureName = name;
        t.TextureNames.push_back(std::move(name));
    }
    c.WarnNonFinite();
    if (c.Cut() && c.CutOffset() >= 8 + side * side * 4) {
        WarnData(fileName, c.CutOffset(), "texture coordinates",
                 "the file ends early: the missing coordinates and names stay empty");
    }
    return t;
}

TerrainFile ReadTerrainFile(const std::string& path, StartupBudget* budget) {
    return ReadTerrain(ReadWholeFile(path), path, budget);
}

std::vector<uint8_t> WriteTerrain(const TerrainFile& t) {
    const size_t side = static_cast<size_t>(t.GridSize) + 1;
    const size_t cells = static_cast<size_t>(t.GridSize) * static_cast<size_t>(t.GridSize);
    if (t.GridSize <= 0 || t.Heights.size() != side * side || t.TexCoords.size() != cells * 12) {
        throw std::invalid_argument("terrain arrays do not match grid size " + std::to_string(t.GridSize));
    }
    ByteWriter w;
    w.I32(t.GridSize);
    w.F32(t.Size);
    for (float h : t.Heights) w.F32(h);
    for (float uv : t.TexCoords) w.F32(uv);
    w.I32(static_cast<int32_t>(t.TextureNames.size()));
    for (const std::string& name : t.TextureNames) w.LengthPrefixedString(name);
    return std::move(w.Data());
}

}  // namespace tv
