// Terrains: any bytes either parse or raise DataError; the writer's bytes parse back to the
// same bytes.
#include "common/binary_io.h"
#include "fuzz_support.h"
#include "world/terrain_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace tv;
    try {
        const std::vector<uint8_t> written = WriteTerrain(ReadTerrain(fuzz::Input(data, size), "fuzz.map"));
        // A short file still fills its whole grid; reading that back again would only cost memory.
        if (written.size() > 16 * (size + 4096)) return 0;
        fuzz::Check(WriteTerrain(ReadTerrain(written, "written.map")) == written, "terrain round trip");
    } catch (const DataError&) {
    }
    return 0;
}
