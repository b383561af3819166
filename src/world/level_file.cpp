#include "world/level_file.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string_view>
#include <unordered_map>

#include "common/binary_io.h"
#include "world/water.h"

namespace tv {

void ShortReadCursor::MarkCut() {
    if (!cut_) cutAt_ = pos_;
    cut_ = true;
    pos_ = size_;
}

bool ShortReadCursor::Take(void* out, size_t n) {
    if (n > Remaining()) {
        MarkCut();
        return false;
    }
    std::memcpy(out, data_ + pos_, n);
    pos_ += n;
    return true;
}

bool ShortReadCursor::U8(uint8_t& out) {
    return Take(&out, 1);
}

bool ShortReadCursor::U32(uint32_t& out) {
    uint8_t b[4];
    if (!Take(b, 4)) return false;
    out = static_cast<uint32_t>(b[0]) | static_cast<uint32_t>(b[1]) << 8 | static_cast<uint32_t>(b[2]) << 16 |
          static_cast<uint32_t>(b[3]) << 24;
    return true;
}

bool ShortReadCursor::I32(int32_t& out) {
    uint32_t u;
    if (!U32(u)) return false;
    out = static_cast<int32_t>(u);
    return true;
}

bool ShortReadCursor::F32(float& out, const char* field) {
    uint32_t u;
    if (!U32(u)) return false;
    std::memcpy(&out, &u, 4);
    nonFinite_.Check(out, pos_ - 4, field);
    return true;
}

bool ShortReadCursor::String(std::string& out) {
    int32_t n = 0;
    if (!I32(n)) return false;
    if (n <= 0) {
        out.clear();
        return true;
    }
    if (static_cast<size_t>(n) > Remaining()) {
        MarkCut();
        return false;
    }
    out.assign(reinterpret_cast<const char*>(data_ + pos_), static_cast<size_t>(n));
    pos_ += static_cast<size_t>(n);
    return true;
}

namespace {

// The side of the grid a water's grid-points field gives, as the water code clamps it.
int WaterGridSide(float gridPoints) {
    const float t = std::isfinite(gridPoints) ? std::trunc(gridPoints) : 0.0f;
    if (t > static_cast<float>(kMaxWaterGridCount)) return kMaxWaterGridCount;
    return std::max(kMinWaterGridCount, t < 0.0f ? 0 : static_cast<int>(t));
}

void ReadPlacement(ShortReadCursor& c, LevelObject& o) {
    c.F32(o.position.x, "position");
    c.F32(o.position.y, "position");
    c.F32(o.position.z, "position");
    for (float& v : o.rotation) c.F32(v, "rotation");
    c.U32(o.spareA);
}

void ReadModelFields(ShortReadCursor& c, LevelObject& o) {
    ReadPlacement(c, o);
    c.F32(o.animTime, "animation time");
    c.U32(o.spareB);
    c.U8(o.animated);
    c.String(o.modelPath);
    c.String(o.secondName);
}

void WritePlacement(ByteWriter& w, const LevelObject& o) {
    w.F32(o.position.x);
    w.F32(o.position.y);
    w.F32(o.position.z);
    for (float v : o.rotation) w.F32(v);
    w.U32(o.spareA);
}

void WriteModelFields(ByteWriter& w, const LevelObject& o) {
    WritePlacement(w, o);
    w.F32(o.animTime);
    w.U32(o.spareB);
    w.U8(o.animated);
    w.LengthPrefixedString(o.modelPath);
    w.LengthPrefixedString(o.secondName);
}

}  // namespace

LevelFile ReadLevel(const std::vector<uint8_t>& bytes, const std::string& fileName,
                    const ModelKindLookup& modelKind, const LevelRecordHandler& onRecord, StartupBudget* budget) {
    LevelFile level;
    ShortReadCursor c(bytes, fileName);
    if (!c.I32(level.objectCount)) {
        if (!bytes.empty()) WarnData(fileName, 0, "object count", "file shorter than its count: no objects");
        return level;
    }
    if (level.objectCount <= 0) {
        if (level.objectCount < 0)
            WarnData(fileName, 0, "object count", "negative count " + std::to_string(level.objectCount) + ": no objects");
        return level;
    }
    // Records past the end of the file are made from zeros (the end-of-file warning below
    // says so), but each costs a whole LevelObject and the map object built from it: the cap
    // keeps a count field alone from costing gigabytes.
    if (static_cast<uint32_t>(level.objectCount) > kMaxLevelObjects) {
        throw DataError(fileName, 0, "object count",
                        "count " + std::to_string(level.objectCount) + " exceeds the cap of " +
                            std::to_string(kMaxLevelObjects) + " objects");
    }
    if (budget) budget->Charge(uint64_t{sizeof(LevelObject)} * static_cast<uint64_t>(level.objectCount), fileName, "object count");
    level.objects.resize(static_cast<size_t>(level.objectCount));
    std::vector<uint8_t> modelKinds;  // object-kind byte per entry of level.models
    // First record per non-empty path -> its model index: what a scan of the earlier records
    // for the same path would find, without the quadratic cost on long levels.
    std::unordered_map<std::string_view, int32_t> firstByPath;
    uint64_t waterCells = 0;
    uint32_t waters = 0, emitters = 0;
    const auto refusePastCap = [&](uint32_t& count, uint32_t cap, size_t at, const char* field) {
        if (++count > cap) {
            throw DataError(fileName, at, field,
                            "the level holds more than " + std::to_string(cap) + " " + field);
        }
    };

    for (size_t k = 0; k < level.objects.size(); ++k) {
        LevelObject& o = level.objects[k];
        c.U8(o.typeByte);
        o.kind = o.typeByte;

        if (o.kind == kLevelModel) {
            ReadModelFields(c, o);
            // Shares the model of an earlier record with the same path (exact bytes, never
            // empty), else loads one if the path lies under 3DOBJEKT.
            bool found = false;
            if (!o.modelPath.empty()) {
                const auto it = firstByPath.find(o.modelPath);
                if (it != firstByPath.end()) {
                    o.modelIndex = it->second;
                    found = true;
                }
            }
            if (!found && o.modelPath.find("3DOBJEKT") != std::string::npos) {
                uint8_t kind = 0;
                try {
                    kind = modelKind(o.modelPath);
                } catch (...) {
                    // The records before this one stay created; this one keeps what was read
                    // and has no model.
                    if (onRecord) onRecord(level, k);
                    throw;
                }
                level.models.push_back(o.modelPath);
                modelKinds.push_back(kind);
                o.modelIndex = static_cast<int32_t>(level.models.size() - 1);
                found = true;
            }
            // A record sharing "model 0" before any model was loaded keeps kind 1.
            if (found && static_cast<size_t>(o.modelIndex) < modelKinds.size()) {
                o.kind = modelKinds[static_cast<size_t>(o.modelIndex)];
            }
            o.hasModelBlock = true;
        }
        // Tested on the record's kind, which a model may just have set to 4 or 5.
        if (o.kind == kLevelWater) {
            const size_t waterAt = c.Offset();
            refusePastCap(waters, kMaxLevelWaters, waterAt, "waters");
            ReadModelFields(c, o);
            c.F32(o.gridPoints, "water grid points");
            c.I32(o.sideLength);
            c.F32(o.damping, "water damping");
            c.String(o.textureName);
            o.hasWaterBlock = true;
            // Each water simulates its own grid (32 bytes a cell, up to 1024 x 1024 cells): a
            // few hundred bytes of records could otherwise cost gigabytes.
            const uint64_t side = static_cast<uint64_t>(WaterGridSide(o.gridPoints));
            waterCells += side * side;
            if (waterCells > kMaxLevelWaterCells) {
                throw DataError(fileName, waterAt, "water grid points",
                                "the level's water grids exceed " + std::to_string(kMaxLevelWaterCells) +
                                    " cells in all");
            }
        }
        if (o.kind == kLevelEmitter) {
            refusePastCap(emitters, kMaxLevelEmitters, c.Offset(), "emitters");
            ReadPlacement(c, o);
            c.String(o.particleFile);
            c.String(o.secondName);
            o.hasEmitterBlock = true;
            o.modelPath = o.particleFile;  // the loader keeps the emitter's file as its path
        }
        // Keys view the objects' own strings: level.objects is never resized from here on.
        if (!o.modelPath.empty()) firstByPath.emplace(o.modelPath, o.modelIndex);
        if (onRecord) onRecord(level, k);
    }
    c.WarnNonFinite();
    if (c.Cut()) {
        WarnData(fileName, c.CutOffset(), "objects",
                 "the file ends before its " + std::to_string(level.objectCount) +
                     " records do: the missing fields and records stay zero");
    }
    return level;
}

LevelFile ReadLevelFile(const std::string& path, const ModelKindLookup& modelKind, const LevelRecordHandler& onRecord,
                        StartupBudget* budget) {
    return ReadLevel(ReadWholeFile(path), path, modelKind, onRecord, budget);
}

std::vector<uint8_t> WriteLevel(const LevelFile& level) {
    ByteWriter w;
    w.I32(static_cast<int32_t>(level.objects.size()));
    for (const LevelObject& o : level.objects) {
        w.U8(o.typeByte);
        uint8_t kind = o.typeByte;
        if (o.typeByte == kLevelModel) {
            WriteModelFields(w, o);
            kind = o.kind;
        }
        if (kind == kLevelWater) {
            WriteModelFields(w, o);
            w.F32(o.gridPoints);
            w.I32(o.sideLength);
            w.F32(o.damping);
            w.LengthPrefixedString(o.textureName);
        }
        if (kind == kLevelEmitter) {
            WritePlacement(w, o);
            w.LengthPrefixedString(o.particleFile);
            w.LengthPrefixedString(o.secondName);
        }
    }
    return std::move(w.Data());
}

}  // namespace tv
