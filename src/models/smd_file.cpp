#include "models/smd_file.h"

#include <charconv>
#include <cmath>

#include "common/binary_io.h"

namespace tv {
namespace {

struct Line {
    std::string_view text;
    size_t offset;
};

// Splits at LF, CR LF or a lone CR; the break itself is not part of the line.
std::vector<Line> SplitLines(const std::vector<uint8_t>& bytes) {
    std::vector<Line> lines;
    const char* data = reinterpret_cast<const char*>(bytes.data());
    size_t start = 0;
    size_t i = 0;
    while (i < bytes.size()) {
        char c = data[i];
        if (c == '\n' || c == '\r') {
            lines.push_back({std::string_view(data + start, i - start), start});
            if (c == '\r' && i + 1 < bytes.size() && data[i + 1] == '\n') ++i;
            start = ++i;
        } else {
            ++i;
        }
    }
    if (start < bytes.size()) lines.push_back({std::string_view(data + start, bytes.size() - start), start});
    return lines;
}

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
    const std::vector<Line> lines = SplitLines(bytes);
    size_t k = 0;
    while (k < lines.size() && lines[k].text != "skeleton") ++k;
    if (k == lines.size()) throw DataError(fileName, bytes.size(), "skeleton", "no \"skeleton\" line");
    ++k;

    SmdAnimation anim;
    // The end of the file ends the block like an "end" line.
    for (; k < lines.size() && lines[k].text != "end"; ++k) {
        const std::string_view line = lines[k].text;
        if (NthWord(line, " ", 1) == "time") {
            anim.frames.emplace_back();  // the number after "time" is not read
            continue;
        }
        if (anim.frames.empty()) {
            throw DataError(fileName, lines[k].offset, "skeleton",
                            "bone line before the first \"time\" line");
        }
        const std::string_view t = Trim(line);
        SmdBonePose pose;
        pose.position.x = ParseFloatDefault(NthWord(t, " ", 2), 0.0f);
        pose.position.y = ParseFloatDefault(NthWord(t, " ", 3), 0.0f);
        pose.position.z = ParseFloatDefault(NthWord(t, " ", 4), 0.0f);
        pose.rotation.x = ParseFloatDefault(NthWord(t, " ", 5), 0.0f);
        pose.rotation.y = ParseFloatDefault(NthWord(t, " ", 6), 0.0f);
        pose.rotation.z = ParseFloatDefault(NthWord(t, " ", 7), 0.0f);
        pose.quaternion = EulerToQuaternion(pose.rotation);
        anim.frames.back().bones.push_back(pose);
    }
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
