#include "json_line.h"

#include <cmath>
#include <cstdio>

#include "platform/text_encoding.h"

namespace tv::inspect {

void JsonLine::Separate() {
    if (afterKey_) {
        afterKey_ = false;
        return;
    }
    if (!first_.empty()) {
        if (!first_.back()) out_ += ',';
        first_.back() = false;
    }
}

JsonLine& JsonLine::BeginObject() {
    Separate();
    out_ += '{';
    first_.push_back(true);
    return *this;
}

JsonLine& JsonLine::EndObject() {
    out_ += '}';
    first_.pop_back();
    return *this;
}

JsonLine& JsonLine::BeginArray() {
    Separate();
    out_ += '[';
    first_.push_back(true);
    return *this;
}

JsonLine& JsonLine::EndArray() {
    out_ += ']';
    first_.pop_back();
    return *this;
}

JsonLine& JsonLine::Key(std::string_view key) {
    Separate();
    Quote(key);
    out_ += ':';
    afterKey_ = true;
    return *this;
}

JsonLine& JsonLine::Int(int64_t v) {
    Separate();
    out_ += std::to_string(v);
    return *this;
}

JsonLine& JsonLine::Float(float v) {
    Separate();
    if (!std::isfinite(v)) {
        out_ += "null";
        return *this;
    }
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.9g", static_cast<double>(v));
    out_ += buf;
    return *this;
}

JsonLine& JsonLine::Bool(bool v) {
    Separate();
    out_ += v ? "true" : "false";
    return *this;
}

JsonLine& JsonLine::Null() {
    Separate();
    out_ += "null";
    return *this;
}

JsonLine& JsonLine::Text(std::string_view cp1251) {
    Separate();
    Quote(cp1251);
    return *this;
}

void JsonLine::Quote(std::string_view cp1251) {
    const std::string utf8 = Cp1251ToUtf8(cp1251);
    std::string s = "\"";
    for (unsigned char c : utf8) {
        switch (c) {
            case '"':
                s += "\\\"";
                break;
            case '\\':
                s += "\\\\";
                break;
            case '\n':
                s += "\\n";
                break;
            case '\r':
                s += "\\r";
                break;
            case '\t':
                s += "\\t";
                break;
            default:
                if (c < 0x20) {
                    char buf[8];
                    std::snprintf(buf, sizeof buf, "\\u%04x", c);
                    s += buf;
                } else {
                    s += static_cast<char>(c);
                }
        }
    }
    s += '"';
    out_ += s;
}

JsonLine& JsonLine::Vec(const Vec3& v) {
    BeginArray();
    Float(v.x).Float(v.y).Float(v.z);
    return EndArray();
}

JsonLine& JsonLine::Floats(const float* v, size_t n) {
    BeginArray();
    for (size_t i = 0; i < n; ++i) Float(v[i]);
    return EndArray();
}

JsonLine& JsonLine::Ints(const std::vector<int32_t>& v) {
    BeginArray();
    for (int32_t x : v) Int(x);
    return EndArray();
}

}  // namespace tv::inspect
