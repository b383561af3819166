#pragma once
// A one-line JSON writer for the inspector: objects, arrays, numbers that read back exactly
// (floats with 9 significant digits) and file texts shown as UTF-8.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "math/vec3.h"

namespace tv::inspect {

class JsonLine {
  public:
    JsonLine& BeginObject();
    JsonLine& EndObject();
    JsonLine& BeginArray();
    JsonLine& EndArray();
    JsonLine& Key(std::string_view key);  // the next value belongs to it

    JsonLine& Int(int64_t v);
    JsonLine& Float(float v);  // non-finite values become null
    JsonLine& Bool(bool v);
    JsonLine& Null();
    JsonLine& Text(std::string_view cp1251);  // Windows-1251 bytes, written as UTF-8
    JsonLine& Vec(const Vec3& v);             // [x, y, z]
    JsonLine& Floats(const float* v, size_t n);
    JsonLine& Ints(const std::vector<int32_t>& v);

    const std::string& Str() const { return out_; }

  private:
    void Separate();
    void Quote(std::string_view cp1251);
    std::string out_;
    std::vector<bool> first_;  // per open container: no element written yet
    bool afterKey_ = false;
};

}  // namespace tv::inspect
