#include "format_json.h"

#include <algorithm>
#include <cctype>

#include "common/binary_io.h"
#include "json_codec.h"

namespace tv::json {

bool EndsWithNoCase(const std::string& s, const std::string& suffix) {
    if (s.size() < suffix.size()) return false;
    return std::equal(
        suffix.begin(), suffix.end(), s.end() - static_cast<std::ptrdiff_t>(suffix.size()),
        [](char want, char have) { return std::tolower(static_cast<unsigned char>(have)) == want; });
}

bool FormatForName(const std::string& path, FileFormat& out) {
    if (EndsWithNoCase(path, ".3dk")) {
        out = FileFormat::Model;
    } else if (EndsWithNoCase(path, ".wrd")) {
        out = FileFormat::Level;
    } else if (EndsWithNoCase(path, ".map")) {
        out = FileFormat::Terrain;
    } else if (EndsWithNoCase(path, ".kpr")) {
        out = FileFormat::Particles;
    } else {
        return false;
    }
    return true;
}

std::string FullJson(const std::vector<uint8_t>& bytes, const std::string& fileName, FileFormat format,
                     const ModelKindLookup& modelKind) {
    std::string text;
    switch (format) {
        case FileFormat::Model:
            text = FullModel(bytes, fileName);
            break;
        case FileFormat::Level:
            text = FullLevel(bytes, fileName, modelKind);
            break;
        case FileFormat::Terrain:
            text = FullTerrain(bytes, fileName);
            break;
        case FileFormat::Particles:
            text = FullParticles(bytes, fileName);
            break;
    }
    // What is printed must pack back to these very bytes; anything else would be a lie.
    std::vector<uint8_t> packed;
    try {
        packed = PackJson(Document(text));
    } catch (const JsonError& e) {
        throw DataError(fileName, 0, "file",
                        "its JSON form does not pack back (" + std::string(e.what()) + ")");
    }
    if (packed != bytes) {
        const size_t n = std::min(packed.size(), bytes.size());
        const size_t at = static_cast<size_t>(
            std::mismatch(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(n), packed.begin())
                .first -
            bytes.begin());
        throw DataError(fileName, at, "file",
                        "its JSON form would pack to other bytes from here on (a field the reader takes "
                        "loosely, such as a negative string length): not printed");
    }
    return text;
}

std::vector<uint8_t> PackJson(const Document& doc) {
    Walk w(doc);
    Obj o(w, doc.Root());
    const int64_t schema = o.In("schema", [&](uint32_t n) { return w.Int(n, INT64_MIN, INT64_MAX); });
    if (schema != kSchema) {
        o.In("schema", [&](uint32_t) -> int {
            w.Fail("schema " + std::to_string(schema) + " is not the " + std::to_string(kSchema) +
                   " this tool knows");
        });
    }
    const std::string format = o.In("format", [&](uint32_t n) {
        w.Expect(n, Type::String);
        return std::string(doc.StringValue(n));
    });
    std::vector<uint8_t> bytes;
    if (format == "model") {
        bytes = PackModel(w, o);
    } else if (format == "level") {
        bytes = PackLevel(w, o);
    } else if (format == "terrain") {
        bytes = PackTerrain(w, o);
    } else if (format == "particles") {
        bytes = PackParticles(w, o);
    } else {
        o.In("format", [&](uint32_t) -> int {
            w.Fail("unknown format \"" + format + "\" (model, level, terrain or particles)");
        });
    }
    if (bytes.size() > kMaxFileBytes) {
        w.Fail("the file would be larger than the " + std::to_string(kMaxFileBytes >> 20) +
               " MiB any reader takes");
    }
    return bytes;
}

}  // namespace tv::json
