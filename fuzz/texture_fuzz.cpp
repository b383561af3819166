// Images through the decoder with its size guard: any bytes either decode to a picture whose
// pixel buffer matches its size, within the caps, or raise DataError. Each input goes in once
// with its format told by its bytes and once as a TGA (a format told only by the file name).
#include "common/binary_io.h"
#include "fuzz_support.h"
#include "render/image_decode.h"

namespace {

void Decode(const char* name, const uint8_t* data, size_t size) {
    using namespace tv;
    try {
        const DecodedImage image = DecodeImage(name, data, size);
        fuzz::Check(image.width > 0 && image.height > 0 && image.width <= 16384 && image.height <= 16384,
                    "image size within the caps");
        fuzz::Check(static_cast<uint64_t>(image.width) * image.height * image.channels == image.pixels.size(),
                    "pixel buffer matches the size");
    } catch (const DataError&) {
    }
}

}  // namespace

// The game starts the image library once, at start-up; so does the fuzzer.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    tv::InitImageLibrary();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Decode("fuzz.img", data, size);
    Decode("fuzz.tga", data, size);
    return 0;
}
