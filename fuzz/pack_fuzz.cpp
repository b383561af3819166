// JSON documents for terravik-pack: any text either packs or is refused with a JsonError (no
// crash, bounded memory), and a packed model, terrain or particle file reads back into a
// document that packs to the same bytes.
#include "common/binary_io.h"
#include "format_json.h"
#include "fuzz_support.h"

namespace {

// The document's "format" member (PackJson accepted it, so it is there and a string).
std::string FormatOf(const tv::json::Document& doc) {
    uint32_t key = doc.Root() + 1;
    for (uint32_t i = 0; i < doc.At(doc.Root()).a; ++i, key = doc.At(key + 1).next) {
        if (doc.StringValue(key) == "format") return std::string(doc.StringValue(key + 1));
    }
    return "";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace tv;
    std::vector<uint8_t> packed;
    std::string format;
    try {
        const json::Document doc(std::string(reinterpret_cast<const char*>(data), size));
        packed = json::PackJson(doc);
        format = FormatOf(doc);
    } catch (const json::JsonError&) {
        return 0;
    }
    // Levels need their models' kinds from a data folder; the other formats stand alone.
    const char* name = format == "model" ? "fuzz.3dk" : format == "terrain" ? "fuzz.map" : "fuzz.kpr";
    if (format == "level") return 0;
    json::FileFormat f;
    fuzz::Check(json::FormatForName(name, f), "format name");
    try {
        const std::string again = json::FullJson(packed, name, f, {});
        fuzz::Check(json::PackJson(json::Document(again)) == packed, "pack round trip");
    } catch (const DataError& e) {
        std::fprintf(stderr, "%s\n", e.what());
        fuzz::Check(false, "a packed file does not read back");
    }
    return 0;
}
