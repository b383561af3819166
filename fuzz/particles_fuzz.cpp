// Particle files: any bytes parse (short files leave defaults) and the writer's bytes parse
// back to the same bytes.
#include "common/binary_io.h"
#include "fuzz_support.h"
#include "world/particle_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace tv;
    try {
        const std::vector<uint8_t> written = WriteParticles(ReadParticles(fuzz::Input(data, size), "fuzz.kpr"));
        fuzz::Check(WriteParticles(ReadParticles(written, "written.kpr")) == written, "particles round trip");
    } catch (const DataError&) {
    }
    return 0;
}
