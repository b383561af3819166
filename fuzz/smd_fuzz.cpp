// SMD animations: any bytes either parse or raise DataError; the written text parses back to
// the same frames and bones (the numbers pass through decimal text, so only the shape is
// compared exactly).
#include "common/binary_io.h"
#include "fuzz_support.h"
#include "models/smd_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace tv;
    try {
        const SmdAnimation a = ReadSmd(fuzz::Input(data, size), "fuzz.smd");
        const SmdAnimation b = ReadSmd(WriteSmd(a, {}), "written.smd");
        fuzz::Check(a.frames.size() == b.frames.size(), "smd round trip: frame count");
        for (size_t f = 0; f < a.frames.size(); ++f)
            fuzz::Check(a.frames[f].bones.size() == b.frames[f].bones.size(), "smd round trip: bone count");
    } catch (const DataError&) {
    }
    return 0;
}
