#pragma once
// What the format codecs share: the document writer, the path-aware document reader, and each
// format's pair of functions (full document from a file's bytes, file bytes from a document).

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "format_json.h"
#include "math/vec3.h"
#include "platform/text_encoding.h"

namespace tv::json {

// ---------------------------------------------------------------------------------------------
// Writing: an indented document whose small arrays (vectors, texture coordinates) stay on one
// line.

class Out {
  public:
    Out& Open(char bracket, bool multiline) {
        Separate();
        text_ += bracket;
        frames_.push_back({multiline, true});
        return *this;
    }
    Out& Close(char bracket) {
        const Frame f = frames_.back();
        frames_.pop_back();
        if (f.multiline && !f.first) {
            text_ += '\n';
            text_.append(frames_.size() * 2, ' ');
        }
        text_ += bracket;
        return *this;
    }
    Out& Key(const char* name) {
        Separate();
        text_ += '"';
        text_ += name;
        text_ += "\": ";
        afterKey_ = true;
        return *this;
    }
    Out& Int(int64_t v) {
        Separate();
        text_ += std::to_string(v);
        return *this;
    }
    // The shortest decimal that reads back as the same float (-0 stays "-0"); NaN and the
    // infinities as their 32 bits, "0x7fc00000".
    Out& F32(float v) {
        Separate();
        char buf[32];
        if (std::isfinite(v)) {
            const auto r = std::to_chars(buf, buf + sizeof buf, v);
            text_.append(buf, r.ptr);
        } else {
            uint32_t bits;
            std::memcpy(&bits, &v, 4);
            std::snprintf(buf, sizeof buf, "\"0x%08x\"", bits);
            text_ += buf;
        }
        return *this;
    }
    Out& Floats(const float* v, size_t n) {
        Open('[', false);
        for (size_t i = 0; i < n; ++i) F32(v[i]);
        return Close(']');
    }
    Out& V3(const Vec3& v) {
        const float f[3] = {v.x, v.y, v.z};
        return Floats(f, 3);
    }
    // A file's single-byte text: shown as UTF-8 when it converts back to the same bytes, else
    // as {"hex": "..."}.
    Out& Text(const std::string& bytes) {
        const std::string utf8 = Cp1251ToUtf8(bytes);
        if (Utf8ToCp1251(utf8) != bytes) {
            Open('{', false).Key("hex").Hex(bytes.data(), bytes.size());
            return Close('}');
        }
        Separate();
        text_ += '"';
        for (unsigned char c : utf8) {
            if (c == '"' || c == '\\') {
                text_ += '\\';
                text_ += static_cast<char>(c);
            } else if (c < 0x20 || c == 0x7f) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\u%04x", c);
                text_ += buf;
            } else {
                text_ += static_cast<char>(c);
            }
        }
        text_ += '"';
        return *this;
    }
    Out& Hex(const void* data, size_t n) {
        static const char digits[] = "0123456789abcdef";
        Separate();
        text_ += '"';
        const uint8_t* p = static_cast<const uint8_t*>(data);
        for (size_t i = 0; i < n; ++i) {
            text_ += digits[p[i] >> 4];
            text_ += digits[p[i] & 15];
        }
        text_ += '"';
        return *this;
    }
    std::string Take() {
        text_ += '\n';
        return std::move(text_);
    }

  private:
    struct Frame {
        bool multiline;
        bool first;
    };
    void Separate() {
        if (afterKey_) {
            afterKey_ = false;
            return;
        }
        if (frames_.empty()) return;
        Frame& f = frames_.back();
        if (!f.first) text_ += ',';
        if (f.multiline) {
            text_ += '\n';
            text_.append(frames_.size() * 2, ' ');
        } else if (!f.first) {
            text_ += ' ';
        }
        f.first = false;
    }
    std::string text_;
    std::vector<Frame> frames_;
    bool afterKey_ = false;
};

// Opens the document's object with its schema and format; Trailing writes the bytes from
// `from` on as "trailing" and closes it.
void Header(Out& o, const char* format);
void Trailing(Out& o, const std::vector<uint8_t>& bytes, size_t from);
// The writer's bytes for what the reader kept must begin the file; the rest are trailing
// bytes the document carries as they are. Returns where they start; raises DataError when the
// rewritten bytes differ from the file's.
size_t TrailingStart(const std::vector<uint8_t>& bytes, const std::vector<uint8_t>& rewritten,
                     const std::string& fileName);

// ---------------------------------------------------------------------------------------------
// Reading a document: a cursor that knows its JSON path.

class Walk {
  public:
    explicit Walk(const Document& d) : d_(d) {}
    const Document& Doc() const { return d_; }
    [[noreturn]] void Fail(const std::string& reason) const { throw JsonError(PathText(path_), reason); }
    void Push(std::string_view key) { path_.push_back({key, 0, false}); }
    void Push(size_t index) { path_.push_back({{}, index, true}); }
    void Pop() { path_.pop_back(); }

    void Expect(uint32_t node, Type type) const {
        if (d_.At(node).type != type) {
            Fail(std::string("expected ") + TypeName(type) + ", found " + TypeName(d_.At(node).type));
        }
    }

    int64_t Int(uint32_t node, int64_t lo, int64_t hi) const {
        Expect(node, Type::Number);
        const std::string_view s = d_.NumberText(node);
        int64_t v = 0;
        const auto r = std::from_chars(s.data(), s.data() + s.size(), v);
        if (r.ptr != s.data() + s.size() && r.ec == std::errc{})
            Fail("expected an integer, found " + std::string(s));
        if (r.ec != std::errc{} || v < lo || v > hi) {
            Fail(std::string(s) + " is outside " + std::to_string(lo) + " .. " + std::to_string(hi));
        }
        return v;
    }

    // A number, or a string "0x" + 8 hex digits giving the float's 32 bits (NaN, infinities).
    float F32(uint32_t node) const {
        const Node& n = d_.At(node);
        if (n.type == Type::String) {
            const std::string_view s = d_.StringValue(node);
            uint32_t bits = 0;
            if (s.size() != 10 || s[0] != '0' || s[1] != 'x' ||
                std::from_chars(s.data() + 2, s.data() + 10, bits, 16).ptr != s.data() + 10) {
                Fail("expected a number or a float's bits as \"0x\" and 8 hex digits");
            }
            float v;
            std::memcpy(&v, &bits, 4);
            return v;
        }
        if (n.type != Type::Number) {
            Fail(std::string("expected a number, found ") + TypeName(n.type));
        }
        const std::string_view s = d_.NumberText(node);
        float v = 0.0f;
        const auto r = std::from_chars(s.data(), s.data() + s.size(), v);
        if (r.ec != std::errc{} || r.ptr != s.data() + s.size()) {
            Fail(std::string(s) + " is outside the range of a 32-bit float");
        }
        return v;
    }

    // A text as single-byte Windows-1251, or {"hex": "..."} for any bytes.
    std::string Text(uint32_t node);

    std::vector<uint8_t> Hex(uint32_t node) const {
        Expect(node, Type::String);
        const std::string_view s = d_.StringValue(node);
        if (s.size() % 2 != 0) Fail("a hex string needs an even number of digits");
        std::vector<uint8_t> out(s.size() / 2);
        for (size_t i = 0; i < out.size(); ++i) {
            if (std::from_chars(s.data() + 2 * i, s.data() + 2 * i + 2, out[i], 16).ptr !=
                s.data() + 2 * i + 2) {
                Fail("not a hex digit at position " + std::to_string(2 * i));
            }
        }
        return out;
    }

    // The array at `node`, checked to hold `want` elements (any number when want < 0).
    uint32_t Array(uint32_t node, int64_t want) const {
        Expect(node, Type::Array);
        const int64_t have = d_.At(node).a;
        if (want >= 0 && have != want) {
            Fail("expected " + std::to_string(want) + " elements, found " + std::to_string(have));
        }
        return node;
    }

    // Calls f(elementNode) for each element, with the path at that element.
    template <class F>
    void Each(uint32_t arrayNode, F&& f) {
        uint32_t e = arrayNode + 1;
        for (uint32_t i = 0; i < d_.At(arrayNode).a; ++i) {
            Push(i);
            f(e);
            Pop();
            e = d_.At(e).next;
        }
    }

    void FloatsAt(uint32_t node, float* out, size_t n) {
        Array(node, static_cast<int64_t>(n));
        size_t i = 0;
        Each(node, [&](uint32_t e) { out[i++] = F32(e); });
    }

  private:
    const Document& d_;
    std::vector<PathStep> path_;
};

// An object's members, each taken once; what is left over at the end is an unknown member.
class Obj {
  public:
    Obj(Walk& w, uint32_t node) : w_(w) {
        w.Expect(node, Type::Object);
        const Document& d = w.Doc();
        uint32_t k = node + 1;
        for (uint32_t i = 0; i < d.At(node).a; ++i) {
            members_.push_back({d.StringValue(k), k + 1});
            k = d.At(k + 1).next;
        }
        used_.assign(members_.size(), false);
    }

    bool Has(std::string_view key) const {
        return std::any_of(members_.begin(), members_.end(), [&](const auto& m) { return m.first == key; });
    }

    // Runs f(valueNode) with the path at the member; a missing member is an error.
    template <class F>
    auto In(std::string_view key, F&& f) {
        for (size_t i = 0; i < members_.size(); ++i) {
            if (members_[i].first != key) continue;
            used_[i] = true;
            w_.Push(members_[i].first);
            struct PopOnExit {
                Walk& w;
                ~PopOnExit() { w.Pop(); }
            } pop{w_};
            return f(members_[i].second);
        }
        w_.Fail("missing member \"" + std::string(key) + "\"");
    }

    int64_t Int(std::string_view key, int64_t lo, int64_t hi) {
        return In(key, [&](uint32_t n) { return w_.Int(n, lo, hi); });
    }
    uint8_t U8(std::string_view key) { return static_cast<uint8_t>(Int(key, 0, 255)); }
    int32_t I32(std::string_view key) {
        return static_cast<int32_t>(
            Int(key, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
    }
    uint32_t U32(std::string_view key) {
        return static_cast<uint32_t>(Int(key, 0, std::numeric_limits<uint32_t>::max()));
    }
    float F32(std::string_view key) {
        return In(key, [&](uint32_t n) { return w_.F32(n); });
    }
    Vec3 V3(std::string_view key) {
        float f[3];
        In(key, [&](uint32_t n) { w_.FloatsAt(n, f, 3); });
        return Vec3{f[0], f[1], f[2]};
    }
    void Floats(std::string_view key, float* out, size_t n) {
        In(key, [&](uint32_t node) { w_.FloatsAt(node, out, n); });
    }
    std::string Text(std::string_view key) {
        return In(key, [&](uint32_t n) { return w_.Text(n); });
    }

    // The path at the first member nobody took: a misspelt or misplaced field.
    void Done(const std::string& why = "unknown member") {
        for (size_t i = 0; i < members_.size(); ++i) {
            if (!used_[i]) {
                w_.Push(members_[i].first);
                w_.Fail(why);
            }
        }
    }

  private:
    Walk& w_;
    std::vector<std::pair<std::string_view, uint32_t>> members_;
    std::vector<bool> used_;
};

// A count member that must match the length of its array member.
int32_t CountOf(Obj& o, Walk& w, const char* countKey, const char* arrayKey, int64_t cap);
// Appends the document's "trailing" bytes, if it has them.
void AppendTrailing(Obj& o, Walk& w, std::vector<uint8_t>& bytes);

// Each format: the whole file as a document, and the file from a document's root object.
std::string FullModel(const std::vector<uint8_t>& bytes, const std::string& fileName);
std::vector<uint8_t> PackModel(Walk& w, Obj& o);
std::string FullLevel(const std::vector<uint8_t>& bytes, const std::string& fileName,
                      const ModelKindLookup& modelKind);
std::vector<uint8_t> PackLevel(Walk& w, Obj& o);
std::string FullTerrain(const std::vector<uint8_t>& bytes, const std::string& fileName);
std::vector<uint8_t> PackTerrain(Walk& w, Obj& o);
std::string FullParticles(const std::vector<uint8_t>& bytes, const std::string& fileName);
std::vector<uint8_t> PackParticles(Walk& w, Obj& o);

}  // namespace tv::json
