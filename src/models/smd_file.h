#pragma once
// The skeleton block of SMD animation files: the frames as plain data. Only the lines between
// "skeleton" and "end" are read; bones are matched to the model's bones by line order.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "math/vec3.h"
#include "models/bone_math.h"  // Quaternion, EulerToQuaternion

namespace tv {

// One bone line of a frame: rotation (radians, from the file), its quaternion, position.
struct SmdBonePose {
    Vec3 rotation;
    Quaternion quaternion;
    Vec3 position;
};

struct SmdFrame {
    std::vector<SmdBonePose> bones;  // in line order
};

struct SmdAnimation {
    std::vector<SmdFrame> frames;  // in file order; the "time" numbers are ignored
};

// No real animation comes near these; they bound what a file can make the reader allocate
// (a bone pose costs 40 bytes, a bone line can be two).
inline constexpr size_t kMaxSmdFrames = 65536;
inline constexpr size_t kMaxSmdPoses = size_t{1} << 22;
// A real bone line of seven numbers is 14 bytes at the least; a file of far shorter lines
// would cost more than this much memory per byte of file and is refused.
inline constexpr uint64_t kSmdMemoryPerFileByte = 16;
inline constexpr uint64_t kSmdMemorySlack = 64 * 1024;

// Parses the skeleton block. Lines end at LF, CR LF or a lone CR. The end of the file counts
// as "end". Raises DataError when no "skeleton" line exists, a bone line comes before the
// first "time" line, the block holds more than kMaxSmdFrames frames or kMaxSmdPoses bone
// lines, or its frames would cost more than the memory budget above (offset = start of the
// offending line). Lines are read in place, and the frames get
// exactly the room they need: memory stays near the poses' own size.
SmdAnimation ReadSmd(const std::vector<uint8_t>& bytes, const std::string& fileName);
SmdAnimation ReadSmdFile(const std::string& path);

// Writes "version 1", a "nodes" block (one bone per parent entry, named bone<i>), the
// "skeleton" block with one "time i" per frame and "end". Numbers are plain decimals the
// reader parses back (no exponents). boneParents may be empty: then one node per bone of the
// first frame, all roots.
std::vector<uint8_t> WriteSmd(const SmdAnimation& animation, const std::vector<int32_t>& boneParents);

// The n-th word (n >= 1) of text, words being runs of characters not in separators; empty if
// there is none. With no separators, word 1 of a non-empty text is the whole text.
std::string NthWord(std::string_view text, std::string_view separators, int n);

// The plain decimal number written in text ("." or "," as the separator, optional leading sign,
// spaces allowed among the integer digits), accumulated in float; def for anything else
// (exponents, stray letters). An empty text gives 0.
float ParseFloatDefault(std::string_view text, float def);

}  // namespace tv
