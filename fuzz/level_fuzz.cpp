// Levels: any bytes either parse or raise DataError, through every block (the model-kind
// lookup turns some models into water and emitters); the writer's bytes parse back to the
// same bytes. The round trip uses kinds below 4: a model record that turns into water or an
// emitter keeps only the second block's path, so it cannot be written back as it was read.
#include "common/binary_io.h"
#include "fuzz_support.h"
#include "world/level_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace tv;
    const std::vector<uint8_t> bytes = fuzz::Input(data, size);
    auto anyKind = [](const std::string& path) -> uint8_t { return static_cast<uint8_t>(path.size() % 7); };
    auto plainKind = [](const std::string& path) -> uint8_t { return static_cast<uint8_t>(path.size() % 4); };
    try {
        ReadLevel(bytes, "fuzz.wrd", anyKind);
    } catch (const DataError&) {
    }
    try {
        const std::vector<uint8_t> written = WriteLevel(ReadLevel(bytes, "fuzz.wrd", plainKind));
        fuzz::Check(WriteLevel(ReadLevel(written, "written.wrd", plainKind)) == written, "level round trip");
    } catch (const DataError&) {
    }
    return 0;
}
