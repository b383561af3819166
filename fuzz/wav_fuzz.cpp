// WAV files: any bytes either parse or raise DataError; a written file reads back with the
// same format fields and samples.
#include "audio/wav_file.h"
#include "common/binary_io.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace tv;
    try {
        const WaveFile a = ReadWave(fuzz::Input(data, size), "fuzz.wav");
        const WaveFile b = ReadWave(WriteWave(a), "written.wav");
        fuzz::Check(a.FormatTag == b.FormatTag && a.Channels == b.Channels && a.Rate == b.Rate && a.Bits == b.Bits &&
                        a.BlockAlign == b.BlockAlign && a.BytesPerSecond == b.BytesPerSecond,
                    "wav round trip: format");
        fuzz::Check(a.Samples == b.Samples, "wav round trip: samples");
    } catch (const DataError&) {
    }
    return 0;
}
