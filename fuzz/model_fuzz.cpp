// Models: any bytes either parse or raise DataError; what the writer makes of a parsed model
// parses back to the same bytes.
#include "common/binary_io.h"
#include "fuzz_support.h"
#include "models/model_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace tv;
    try {
        const ModelFile model = ReadModel(fuzz::Input(data, size), "fuzz.3dk");
        const std::vector<uint8_t> written = WriteModel(model);
        fuzz::Check(WriteModel(ReadModel(written, "written.3dk")) == written, "model round trip");
    } catch (const DataError&) {
    }
    return 0;
}
