#include "json_doc.h"

#include <algorithm>
#include <cstring>

namespace tv::json {

const char* TypeName(Type t) {
    switch (t) {
        case Type::Null:
            return "null";
        case Type::Bool:
            return "a boolean";
        case Type::Number:
            return "a number";
        case Type::String:
            return "a string";
        case Type::Array:
            return "an array";
        case Type::Object:
            return "an object";
    }
    return "?";
}

std::string PathText(const std::vector<PathStep>& steps) {
    std::string s = "$";
    for (const PathStep& p : steps) {
        if (p.isIndex) {
            s += '[' + std::to_string(p.index) + ']';
        } else {
            s += '.';
            s += p.key;
        }
    }
    return s;
}

// Objects of the data files hold a few dozen members; the duplicate check scans the earlier ones.
constexpr uint32_t kMaxMembers = 1024;

class Parser {
  public:
    Parser(Document& doc) : d_(doc), t_(doc.text_) {}

    void Run() {
        SkipSpace();
        Value(0);
        SkipSpace();
        if (pos_ != t_.size()) Fail("text after the end of the document");
    }

  private:
    // Where the parser is, for messages; keys are kept as offsets into the string store, which
    // may move while it grows.
    struct Step {
        uint32_t keyAt = 0, keyLen = 0;
        size_t index = 0;
        bool isIndex = false;
    };

    [[noreturn]] void Fail(const std::string& why) const {
        size_t line = 1, column = 1;
        for (size_t i = 0; i < pos_ && i < t_.size(); ++i) {
            if (t_[i] == '\n') {
                ++line;
                column = 1;
            } else {
                ++column;
            }
        }
        std::vector<PathStep> steps;
        for (const Step& s : path_) {
            steps.push_back({std::string_view(d_.strings_).substr(s.keyAt, s.keyLen), s.index, s.isIndex});
        }
        throw JsonError(PathText(steps), "malformed JSON at line " + std::to_string(line) + ", column " +
                                             std::to_string(column) + ": " + why);
    }

    void SkipSpace() {
        while (pos_ < t_.size() &&
               (t_[pos_] == ' ' || t_[pos_] == '\t' || t_[pos_] == '\n' || t_[pos_] == '\r'))
            ++pos_;
    }

    uint32_t NewNode(Type type) {
        if (d_.nodes_.size() >= kMaxNodes) Fail("more than " + std::to_string(kMaxNodes) + " values");
        d_.nodes_.push_back(Node{type, false, 0, 0, 0});
        return static_cast<uint32_t>(d_.nodes_.size() - 1);
    }

    bool Literal(const char* word) {
        const size_t n = std::strlen(word);
        if (t_.compare(pos_, n, word) != 0) return false;
        pos_ += n;
        return true;
    }

    void Value(int depth) {
        if (pos_ >= t_.size()) Fail("the text ends where a value should be");
        const char c = t_[pos_];
        if (c == '{' || c == '[') {
            if (depth >= kMaxDepth) Fail("nested deeper than " + std::to_string(kMaxDepth) + " levels");
            Container(c == '{', depth);
        } else if (c == '"') {
            const uint32_t i = NewNode(Type::String);
            String(i);
        } else if (c == '-' || (c >= '0' && c <= '9')) {
            Number();
        } else if (Literal("true") || Literal("false")) {
            const uint32_t i = NewNode(Type::Bool);
            d_.nodes_[i].flag = t_[pos_ - 2] == 'u';  // "tr-u-e", "fal-s-e"
            d_.nodes_[i].next = i + 1;
        } else if (Literal("null")) {
            const uint32_t i = NewNode(Type::Null);
            d_.nodes_[i].next = i + 1;
        } else {
            Fail(std::string("unexpected character '") + (static_cast<unsigned char>(c) < 0x20 ? '?' : c) +
                 "'");
        }
    }

    void Container(bool object, int depth) {
        const uint32_t self = NewNode(object ? Type::Object : Type::Array);
        const char close = object ? '}' : ']';
        ++pos_;
        SkipSpace();
        uint32_t count = 0;
        if (pos_ < t_.size() && t_[pos_] == close) {
            ++pos_;
        } else {
            path_.push_back(Step{});
            for (;;) {
                if (object) {
                    if (pos_ >= t_.size() || t_[pos_] != '"') Fail("expected a member name in quotes");
                    const uint32_t key = NewNode(Type::String);
                    String(key);
                    path_.back() = Step{d_.nodes_[key].a, d_.nodes_[key].b, 0, false};
                    // Members are few per object: a scan of the earlier names is cheap.
                    const std::string_view name =
                        std::string_view(d_.strings_).substr(d_.nodes_[key].a, d_.nodes_[key].b);
                    for (uint32_t k = self + 1; k < key; k = d_.nodes_[d_.nodes_[k].next].next) {
                        if (std::string_view(d_.strings_).substr(d_.nodes_[k].a, d_.nodes_[k].b) == name) {
                            Fail("duplicate member \"" + std::string(name) + "\"");
                        }
                    }
                    SkipSpace();
                    if (pos_ >= t_.size() || t_[pos_] != ':') Fail("expected ':' after the member name");
                    ++pos_;
                    SkipSpace();
                } else {
                    path_.back() = Step{0, 0, count, true};
                }
                Value(depth + 1);
                if (++count > kMaxMembers && object)
                    Fail("more than " + std::to_string(kMaxMembers) + " members");
                SkipSpace();
                if (pos_ < t_.size() && t_[pos_] == ',') {
                    ++pos_;
                    SkipSpace();
                    continue;
                }
                if (pos_ < t_.size() && t_[pos_] == close) {
                    ++pos_;
                    break;
                }
                Fail(std::string("expected ',' or '") + close + "'");
            }
            path_.pop_back();
        }
        d_.nodes_[self].a = count;
        d_.nodes_[self].next = static_cast<uint32_t>(d_.nodes_.size());
    }

    void Number() {
        const size_t start = pos_;
        auto digits = [&] {
            const size_t from = pos_;
            while (pos_ < t_.size() && t_[pos_] >= '0' && t_[pos_] <= '9') ++pos_;
            return pos_ - from;
        };
        if (t_[pos_] == '-') ++pos_;
        if (pos_ < t_.size() && t_[pos_] == '0') {
            ++pos_;
        } else if (digits() == 0) {
            Fail("a number needs digits");
        }
        if (pos_ < t_.size() && t_[pos_] == '.') {
            ++pos_;
            if (digits() == 0) Fail("a number needs digits after '.'");
        }
        if (pos_ < t_.size() && (t_[pos_] == 'e' || t_[pos_] == 'E')) {
            ++pos_;
            if (pos_ < t_.size() && (t_[pos_] == '+' || t_[pos_] == '-')) ++pos_;
            if (digits() == 0) Fail("a number needs digits in its exponent");
        }
        const uint32_t i = NewNode(Type::Number);
        d_.nodes_[i].a = static_cast<uint32_t>(start);
        d_.nodes_[i].b = static_cast<uint32_t>(pos_ - start);
        d_.nodes_[i].next = i + 1;
    }

    unsigned Hex4() {
        if (pos_ + 4 > t_.size()) Fail("a \\u escape needs four hex digits");
        unsigned v = 0;
        for (int k = 0; k < 4; ++k) {
            const char c = t_[pos_++];
            v <<= 4;
            if (c >= '0' && c <= '9') {
                v |= static_cast<unsigned>(c - '0');
            } else if (c >= 'a' && c <= 'f') {
                v |= static_cast<unsigned>(c - 'a' + 10);
            } else if (c >= 'A' && c <= 'F') {
                v |= static_cast<unsigned>(c - 'A' + 10);
            } else {
                Fail("a \\u escape needs four hex digits");
            }
        }
        return v;
    }

    void PutUtf8(unsigned cp) {
        std::string& s = d_.strings_;
        if (cp < 0x80) {
            s += static_cast<char>(cp);
        } else if (cp < 0x800) {
            s += static_cast<char>(0xC0 | (cp >> 6));
            s += static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            s += static_cast<char>(0xE0 | (cp >> 12));
            s += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            s += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            s += static_cast<char>(0xF0 | (cp >> 18));
            s += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            s += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            s += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }

    // Decodes a string into the string store. Raw bytes are copied as they are (the caller
    // checks the text converts to the file's code page); control characters must be escaped.
    void String(uint32_t node) {
        ++pos_;  // the opening quote
        const size_t at = d_.strings_.size();
        for (;;) {
            if (pos_ >= t_.size()) Fail("the text ends inside a string");
            const unsigned char c = static_cast<unsigned char>(t_[pos_]);
            if (c == '"') {
                ++pos_;
                break;
            }
            if (c < 0x20) Fail("a control character inside a string must be escaped");
            if (c != '\\') {
                d_.strings_ += static_cast<char>(c);
                ++pos_;
                continue;
            }
            ++pos_;
            if (pos_ >= t_.size()) Fail("the text ends inside a string");
            const char e = t_[pos_++];
            switch (e) {
                case '"':
                    d_.strings_ += '"';
                    break;
                case '\\':
                    d_.strings_ += '\\';
                    break;
                case '/':
                    d_.strings_ += '/';
                    break;
                case 'b':
                    d_.strings_ += '\b';
                    break;
                case 'f':
                    d_.strings_ += '\f';
                    break;
                case 'n':
                    d_.strings_ += '\n';
                    break;
                case 'r':
                    d_.strings_ += '\r';
                    break;
                case 't':
                    d_.strings_ += '\t';
                    break;
                case 'u': {
                    unsigned cp = Hex4();
                    if (cp >= 0xDC00 && cp <= 0xDFFF) Fail("a lone low surrogate in a \\u escape");
                    if (cp >= 0xD800 && cp <= 0xDBFF) {
                        if (!(pos_ + 2 <= t_.size() && t_[pos_] == '\\' && t_[pos_ + 1] == 'u')) {
                            Fail("a high surrogate without its low half");
                        }
                        pos_ += 2;
                        const unsigned low = Hex4();
                        if (low < 0xDC00 || low > 0xDFFF) Fail("a high surrogate without its low half");
                        cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                    }
                    PutUtf8(cp);
                    break;
                }
                default:
                    Fail(std::string("unknown escape '\\") + e + "'");
            }
        }
        d_.nodes_[node].a = static_cast<uint32_t>(at);
        d_.nodes_[node].b = static_cast<uint32_t>(d_.strings_.size() - at);
        d_.nodes_[node].next = node + 1;
    }

    Document& d_;
    const std::string& t_;
    size_t pos_ = 0;
    std::vector<Step> path_;
};

Document::Document(std::string text) : text_(std::move(text)) {
    if (text_.size() > kMaxTextBytes) {
        throw JsonError("$", "the text is larger than " + std::to_string(kMaxTextBytes >> 20) + " MiB");
    }
    // A value takes at least one character; most take more.
    nodes_.reserve(std::min(text_.size() / 4 + 16, kMaxNodes));
    Parser(*this).Run();
}

}  // namespace tv::json
