// Ogg Vorbis from memory through the decoder's callbacks: any bytes either open or not, and
// an opened stream decodes (up to a few seconds' worth), rewinds and decodes again without
// faults. The decoder raises nothing; a bad stream simply ends.
#include <vector>

#include "audio/ogg_decoder.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace tv;
    std::unique_ptr<OggDecoder> decoder = OggDecoder::OpenMemory(fuzz::Input(data, size));
    if (!decoder) return 0;
    fuzz::Check(decoder->Channels() > 0 && decoder->Rate() > 0, "ogg: opened stream has channels and a rate");
    std::vector<uint8_t> pcm(16384);
    constexpr size_t kMaxDecoded = 1 << 20;  // enough to reach every packet of a fuzz input
    for (int pass = 0; pass < 2; ++pass) {
        size_t total = 0;
        size_t n = 0;
        while (total < kMaxDecoded && (n = decoder->Read(pcm.data(), pcm.size())) > 0) {
            fuzz::Check(n <= pcm.size(), "ogg: read stays inside the buffer");
            total += n;
        }
        if (!decoder->Rewind()) break;
    }
    return 0;
}
