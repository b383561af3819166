#include "models/smd_file.h"

#include <array>
#include <charconv>
#include <cmath>

#include "common/binary_io.h"

namespace tv {
namespace {

struct Line {
    std::string_view text;
    size_t offset;
};

// Walks the lines of the file without storing them: each line is a view into the bytes.
// Lines end at LF, CR LF or a lone CR; the break itself is not part of the line.
class LineCursor {
public:
    explicit LineCursor(const std::vector<uint8_t>& bytes)
        : data_(reinterpret_cast<const char*>(bytes.data())), size_(bytes.size()) {}
    bool Next(Line& line) {
        if (pos_ >= size_) return false;
        size_t i = pos_;
        while (i < size_ && data_[i] != '\n' && data_[i] != '\r') ++i;
        line = {std::string_view(data_ + pos_, i - pos_), pos_};
        if (i < size_ && data_[i] == '\r' && i + 1 < size_ && data_[i + 1] == '\n') ++i;
        pos_ = i < size_ ? i + 1 : size_;
        return true;
    }

private:
    const char* data_;
    size_t size_;
    size_t pos_ = 0;
};

bool IsTimeLine(std::string_view line) { return NthWord(line, " ", 1) == "time"; }

// Removes leading and trailing blanks and control characters (everything up to the space).
std::string_view Trim(std::string_view s) {
    size_t b = 0;
    size_t e = s.size();
    while (b < e && static_cast<unsigned char>(s[b]) <= ' ') ++b;
    while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ') --e;
    return s.substr(b, e - b);
}

void AppendNumber(std::string& out, float v) {
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed);
    out.append(buf, res.ptr);
}

}  // namespace

std::string NthWord(std::string_view text, std::string_view separators, int n) {
    if (separators.empty()) return (n == 1 && !text.empty()) ? std::string(text) : std::string();
    if (n < 1) return {};
    bool boundary = true;
    int count = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const bool isSeparator = separators.find(text[i]) != std::string_view::npos;
        if (boundary) {
            if (!isSeparator) {
                if (++count == n) {
                    size_t end = i;
                    while (end < text.size() && separators.find(text[end]) == std::string_view::npos) ++end;
                    return std::string(text.substr(i, end - i));
                }
                boundary = false;
            }
        } else if (isSeparator) {
            boundary = true;
        }
    }
    return {};
}

float ParseFloatDefault(std::string_view text, float def) {
    if (text.empty()) return 0.0f;
    const std::string_view s = Trim(text);
    float r = 0.0f;
    size_t separatorPos = 0;  // 1-based; 0 = none yet
    for (size_t i = 1; i <= s.size(); ++i) {
        const char c = s[i - 1];
        if (c == ' ') {
            if (separatorPos != 0) return def;
        } else if (c == '+' || c == '-') {
            if (i != 1) return def;
        } else if (c == '.' || c == ',') {
            if (separatorPos != 0) return def;
            separatorPos = i;
        } else if (c >= '0' && c <= '9') {
            // r * 10 + digit is exact in double; one rounding to float, as the accumulator does.
            r = static_cast<float>(static_cast<double>(r) * 10.0 + (c - '0'));
        } else {
            return def;
        }
    }
    if (separatorPos != 0) {
        const int decimals = static_cast<int>(s.size() - separatorPos);
        r = static_cast<float>(static_cast<double>(r) * std::pow(10.0, -decimals));
    }
    if (!s.empty() && s[0] == '-') r = -r;
    return r;
}

SmdAnimation ReadSmd(const std::vector<uint8_t>& bytes, const std::string& fileName) {
    LineCursor cursor(bytes);
    Line line;
    bool found = false;
    while (!found && cursor.Next(line)) found = line.text == "skeleton";
    if (!found) throw DataError(fileName, bytes.size(), "skeleton", "no \"skeleton\" line");
    const LineCursor blockStart = cursor;

    // First pass: count what the block makes, so hostile files are refused before anything is
    // allocated and the frames get exactly the room they need (no growth slack on top).
    size_t frameCount = 0;
    size_t poseCount = 0;
    const uint64_t budget = uint64_t{kSmdMemoryPerFileByte} * bytes.size() + kSmdMemorySlack;
    for (LineCursor c = blockStart; c.Next(line) && line.text != "end";) {
        if (IsTimeLine(line.text)) {
            if (++frameCount > kMaxSmdFrames) {
                throw DataError(fileName, line.offset, "skeleton",
                                "more than " + std::to_string(kMaxSmdFrames) + " frames");
            }
        } else if (frameCount == 0) {
            throw DataError(fileName, line.offset, "skeleton", "bone line before the first \"time\" line");
        } else if (++poseCount > kMaxSmdPoses) {
            throw DataError(fileName, line.offset, "skeleton",
                            "more than " + std::to_string(kMaxSmdPoses) + " bone lines");
        }
        const uint64_t cost = uint64_t{poseCount} * sizeof(SmdBonePose) + uint64_t{frameCount} * sizeof(SmdFrame);
        if (cost > budget) {
            throw DataError(fileName, line.offset, "skeleton",
                            "frames and bone lines would take more than " + std::to_string(kSmdMemoryPerFileByte) +
                                " bytes of memory per byte of the file");
        }
    }

    SmdAnimation anim;
    anim.frames.reserve(frameCount);
    NonFiniteNote nonFinite;  // a number of 39 digits or more is infinity to the float reader
    // The end of the file ends the block like an "end" line.
    for (LineCursor c = blockStart; c.Next(line) && line.text != "end";) {
        if (IsTimeLine(line.text)) {
            anim.frames.emplace_back();  // the number after "time" is not read
            size_t bones = 0;
            Line ahead;
            for (LineCursor a = c; a.Next(ahead) && ahead.text != "end" && !IsTimeLine(ahead.text);) ++bones;
            anim.frames.back().bones.reserve(bones);
            continue;
        }
        const std::string_view t = Trim(line.text);
        SmdBonePose pose;
        pose.position.x = ParseFloatDefault(NthWord(t, " ", 2), 0.0f);
        pose.position.y = ParseFloatDefault(NthWord(t, " ", 3), 0.0f);
        pose.position.z = ParseFloatDefault(NthWord(t, " ", 4), 0.0f);
        pose.rotation.x = ParseFloatDefault(NthWord(t, " ", 5), 0.0f);
        pose.rotation.y = ParseFloatDefault(NthWord(t, " ", 6), 0.0f);
        pose.rotation.z = ParseFloatDefault(NthWord(t, " ", 7), 0.0f);
        pose.quaternion = EulerToQuaternion(pose.rotation);
        const std::array<std::pair<float, const char*>, 6> fields = {{{pose.position.x, "bone position x"},
                                                                      {pose.position.y, "bone position y"},
                                                                      {pose.position.z, "bone position z"},
                                                                      {pose.rotation.x, "bone rotation x"},
                                                                      {pose.rotation.y, "bone rotation y"},
                                                                      {pose.rotation.z, "bone rotation z"}}};
        for (const auto& [value, field] : fields) nonFinite.Check(value, line.offset, field);
        anim.frames.back().bones.push_back(pose);
    }
    nonFinite.WarnOnce(fileName);
    return anim;
}

SmdAnimation ReadSmdFile(const std::string& path) {
    return ReadSmd(ReadWholeFile(path), path);
}

std::vector<uint8_t> WriteSmd(const SmdAnimation& animation, const std::vector<int32_t>& boneParents) {
    std::string out = "version 1\nnodes\n";
    size_t nodeCount = boneParents.size();
    if (nodeCount == 0 && !animation.frames.empty()) nodeCount = animation.frames[0].bones.size();
    for (size_t i = 0; i < nodeCount; ++i) {
        const int32_t parent = i < boneParents.size() ? boneParents[i] : -1;
        out += std::to_string(i) + " \"bone" + std::to_string(i) + "\" " + std::to_string(parent) + "\n";
    }
    out += "end\nskeleton\n";
    for (size_t f = 0; f < animation.frames.size(); ++f) {
        out += "time " + std::to_string(f) + "\n";
        const std::vector<SmdBonePose>& bones = animation.frames[f].bones;
        for (size_t b = 0; b < bones.size(); ++b) {
            out += std::to_string(b);
            for (float v : {bones[b].position.x, bones[b].position.y, bones[b].position.z,
                            bones[b].rotation.x, bones[b].rotation.y, bones[b].rotation.z}) {
                out += ' ';
                AppendNumber(out, v);
            }
            out += '\n';
        }
    }
    out += "end\n";
    return std::vector<uint8_t>(out.begin(), out.end());
}

}  // namespace tv
