#pragma once
// A strict JSON reader for the data-file documents: the whole text becomes one flat array of
// nodes (16 bytes each, children right after their parent), so a large terrain costs a few
// bytes per number and a hostile text stays within the caps below. Numbers keep their text, so
// a float is converted once, straight to 32 bits. Every error names its place as a JSON path
// ("$.objects[3].model").

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tv::json {

// No document of a real data file comes near these: the largest terrain the game accepts
// (1024 cells a side) writes about 140 MB and 14 million values.
inline constexpr size_t kMaxTextBytes = size_t{256} << 20;
inline constexpr size_t kMaxNodes = size_t{16} << 20;
inline constexpr int kMaxDepth = 64;

// A document that is malformed or that does not describe a valid file: where, and why.
class JsonError : public std::runtime_error {
  public:
    JsonError(std::string path, const std::string& reason)
        : std::runtime_error(path + ": " + reason), path_(std::move(path)), reason_(reason) {}
    const std::string& path() const { return path_; }
    const std::string& reason() const { return reason_; }

  private:
    std::string path_;
    std::string reason_;
};

enum class Type : uint8_t { Null, Bool, Number, String, Array, Object };
const char* TypeName(Type t);  // "null", "a boolean", "a number", ...

struct Node {
    Type type = Type::Null;
    bool flag = false;  // a boolean's value
    uint32_t a =
        0;  // number: offset in the text; string: offset in the string store; container: element count
    uint32_t b = 0;     // number, string: length in bytes
    uint32_t next = 0;  // the node after this one's subtree (its next sibling, if any)
};

// One path segment: a member name or an array index.
struct PathStep {
    std::string_view key;  // empty for an index
    size_t index = 0;
    bool isIndex = false;
};
std::string PathText(const std::vector<PathStep>& steps);  // "$", "$.a[2].b"

class Document {
  public:
    // Parses `text` (UTF-8, RFC 8259; a duplicate member name is an error). Raises JsonError
    // naming the path where the text went wrong, with its line and column.
    explicit Document(std::string text);

    const Node& At(uint32_t i) const { return nodes_[i]; }
    uint32_t Root() const { return 0; }
    std::string_view NumberText(uint32_t i) const {
        return std::string_view(text_).substr(nodes_[i].a, nodes_[i].b);
    }
    std::string_view StringValue(uint32_t i) const {
        return std::string_view(strings_).substr(nodes_[i].a, nodes_[i].b);
    }

  private:
    std::string text_;
    std::string strings_;  // every decoded string (member names too), back to back
    std::vector<Node> nodes_;
    friend class Parser;
};

}  // namespace tv::json
