#include "json_codec.h"

#include "common/binary_io.h"

namespace tv::json {

void Header(Out& o, const char* format) {
    o.Open('{', true);
    o.Key("schema").Int(kSchema);
    o.Key("format").Text(format);
}

void Trailing(Out& o, const std::vector<uint8_t>& bytes, size_t from) {
    o.Key("trailing").Hex(bytes.data() + from, bytes.size() - from);
    o.Close('}');
}

size_t TrailingStart(const std::vector<uint8_t>& bytes, const std::vector<uint8_t>& rewritten,
                     const std::string& fileName) {
    const size_t n = std::min(bytes.size(), rewritten.size());
    const size_t diff = static_cast<size_t>(
        std::mismatch(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(n), rewritten.begin())
            .first -
        bytes.begin());
    if (diff < n || rewritten.size() > bytes.size()) {
        throw DataError(fileName, diff, "file",
                        "the file holds a value its reader takes loosely (a cut record, a negative length): "
                        "JSON cannot carry it exactly");
    }
    return rewritten.size();
}

std::string Walk::Text(uint32_t node) {
    if (d_.At(node).type == Type::Object) {
        Obj o(*this, node);
        const std::vector<uint8_t> bytes = o.In("hex", [&](uint32_t n) { return Hex(n); });
        o.Done();
        return std::string(bytes.begin(), bytes.end());
    }
    if (d_.At(node).type != Type::String) {
        Fail(std::string("expected a string or {\"hex\": ...}, found ") + TypeName(d_.At(node).type));
    }
    const std::string utf8(d_.StringValue(node));
    std::string bytes = Utf8ToCp1251(utf8);
    if (Cp1251ToUtf8(bytes) != utf8) {
        Fail("the text holds a character outside Windows-1251 (write its bytes as {\"hex\": ...})");
    }
    return bytes;
}

int32_t CountOf(Obj& o, Walk& w, const char* countKey, const char* arrayKey, int64_t cap) {
    const int32_t count = static_cast<int32_t>(o.Int(countKey, 0, cap));
    const int64_t length =
        o.In(arrayKey, [&](uint32_t n) { return static_cast<int64_t>(w.Doc().At(w.Array(n, -1)).a); });
    if (length != count) {
        o.In(arrayKey, [&](uint32_t) -> int {
            w.Fail("holds " + std::to_string(length) + " elements but " + countKey + " is " +
                   std::to_string(count));
        });
    }
    return count;
}

void AppendTrailing(Obj& o, Walk& w, std::vector<uint8_t>& bytes) {
    if (!o.Has("trailing")) return;
    const std::vector<uint8_t> tail = o.In("trailing", [&](uint32_t n) { return w.Hex(n); });
    bytes.insert(bytes.end(), tail.begin(), tail.end());
}

}  // namespace tv::json
