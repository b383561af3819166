#pragma once
// The level file (".wrd") as plain data, read by the level loader's own rules: the record's
// kind decides what follows, a model object takes the object-kind byte of its model (which
// may make a water or emitter block follow), and reads past the end of the file transfer
// nothing and leave zeros behind.

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "common/binary_io.h"
#include "common/memory_budget.h"
#include "math/vec3.h"

namespace tv {

// Reading cursor for the world's files (level, terrain, particles): a read that the
// remaining bytes cannot satisfy transfers nothing, leaves its destination unchanged and
// moves to the end of the file, so every later read transfers nothing as well.
class ShortReadCursor {
  public:
    ShortReadCursor(const std::vector<uint8_t>& bytes, std::string fileName)
        : data_(bytes.data()), size_(bytes.size()), file_(std::move(fileName)) {}
    bool U8(uint8_t& out);
    bool I32(int32_t& out);
    bool U32(uint32_t& out);
    // A NaN or infinity read is noted under `field`; WarnNonFinite reports the first one.
    bool F32(float& out, const char* field = "value");
    // int32 length then that many bytes; <= 0 gives an empty string; if the bytes are not all
    // there the string is left as it was (never allocates beyond the file).
    bool String(std::string& out);
    size_t Offset() const { return pos_; }
    size_t Remaining() const { return size_ - pos_; }
    bool AtEnd() const { return pos_ >= size_; }
    const std::string& FileName() const { return file_; }
    void WarnNonFinite() { nonFinite_.WarnOnce(file_); }
    // Whether a read came up short, and the offset of the first one that did.
    bool Cut() const { return cut_; }
    size_t CutOffset() const { return cutAt_; }

  private:
    bool Take(void* out, size_t n);
    void MarkCut();
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
    bool cut_ = false;
    size_t cutAt_ = 0;
    std::string file_;
    NonFiniteNote nonFinite_;
};

// File type bytes of the records the loader knows.
inline constexpr uint8_t kLevelModel = 1;
inline constexpr uint8_t kLevelWater = 4;
inline constexpr uint8_t kLevelEmitter = 5;

struct LevelObject {
    uint8_t typeByte = 0;  // as read
    uint8_t kind = 0;      // after loading: the model's object-kind byte for models, 4 water,
                           // 5 emitter, the type byte otherwise
    // Which blocks were read for this record (a model whose kind is 4 or 5 reads two).
    bool hasModelBlock = false;
    bool hasWaterBlock = false;
    bool hasEmitterBlock = false;

    Vec3 position;
    std::array<float, 12> rotation{};  // three rows of four (4th unused), as stored; the
                                       // loader replaces it by identity for water and emitters
    uint32_t spareA = 0;
    float animTime = 0.0f;
    uint32_t spareB = 0;
    uint8_t animated = 0;
    std::string modelPath;   // relative to the data root; for emitters the particle file, as the
                             // loader keeps it (later records compare their paths with it)
    std::string secondName;  // stored, not used

    // Water block.
    float gridPoints = 0.0f;  // truncated toward zero by the water code
    int32_t sideLength = 0;
    float damping = 0.0f;
    std::string textureName;  // file name under "k_resurs\\water\\"

    // Emitter block.
    std::string particleFile;  // file name under "k_resurs\\particles\\"

    // Index into LevelFile::models of the model this record draws with (models and records
    // sharing a model path); 0 for records that load nothing, like the loader's zero fill.
    int32_t modelIndex = 0;
};

struct LevelFile {
    int32_t objectCount = 0;           // as read; <= 0 means no objects
    std::vector<LevelObject> objects;  // objectCount records (none when objectCount <= 0)
    // Distinct models the loader loads, in load order (paths relative to the data root).
    std::vector<std::string> models;
};

// Supplies the object-kind byte (header byte 2) of the model at a path relative to the data
// root. Called once per entry of LevelFile::models, in load order, so a loader may load the
// model right there. May throw; the exception leaves ReadLevel.
using ModelKindLookup = std::function<uint8_t(const std::string& modelPath)>;

// Called as soon as record `index` is read (its model loaded), in file order, so a loader can
// create each object before the next record is read. `level.objects` already holds all
// objectCount records; those after `index` are still zero. When the model lookup of a record
// throws, the handler is called for that record first (fields as read, no model block, model
// index 0), then the exception leaves ReadLevel.
using LevelRecordHandler = std::function<void(const LevelFile& level, size_t index)>;

// No real level comes near this many objects; each costs a map object in the game.
inline constexpr uint32_t kMaxLevelObjects = 65536;
// Nor this many waters or emitters: each loads its own texture (a water measured 64 KB, an
// emitter 670 KB with up to kMaxEmitterParticles particles besides); real levels hold a few.
inline constexpr uint32_t kMaxLevelWaters = 64;
inline constexpr uint32_t kMaxLevelEmitters = 64;
// Nor this many water cells in all (each water's grid side clamped as the water code does;
// a cell costs 32 bytes): real levels hold a few small ponds.
inline constexpr uint64_t kMaxLevelWaterCells = uint64_t{1} << 22;

// Parses a level. A count larger than kMaxLevelObjects, more waters or emitters than their
// caps, or water grids beyond kMaxLevelWaterCells, raise DataError (at the record past the cap); a file that ends before its count of records does not:
// the missing fields, and whole records past the end, stay zero (type 0: nothing is created
// for them) and one warning (file, offset, field) goes to stderr, as does a negative count
// (no objects).
// The records' memory is charged to `budget` (may be null) before they are made.
LevelFile ReadLevel(const std::vector<uint8_t>& bytes, const std::string& fileName,
                    const ModelKindLookup& modelKind, const LevelRecordHandler& onRecord = {},
                    StartupBudget* budget = nullptr);
LevelFile ReadLevelFile(const std::string& path, const ModelKindLookup& modelKind,
                        const LevelRecordHandler& onRecord = {}, StartupBudget* budget = nullptr);

// Writes objects.size() records: the type byte, then the model block if the type byte is 1,
// then (on the record's kind: the type byte, or for models `kind`) the water or emitter block.
std::vector<uint8_t> WriteLevel(const LevelFile& level);

}  // namespace tv
