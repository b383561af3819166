#include "audio/wav_file.h"

#include <cctype>
#include <cstring>

#include "common/binary_io.h"

namespace tv {
namespace {

constexpr size_t kFormatOffset = 20;
constexpr size_t kDataScanStart = 35;

bool LowerEquals(const uint8_t* p, const char* word) {
    for (int i = 0; i < 4; ++i) {
        if (std::tolower(p[i]) != word[i]) return false;
    }
    return true;
}

}  // namespace

WaveFile ReadWave(const std::vector<uint8_t>& bytes, const std::string& fileName) {
    ByteReader r(bytes, fileName);
    if (bytes.size() < 4 || std::memcmp(bytes.data(), "RIFF", 4) != 0) r.FailAt(0, "RIFF", "not a RIFF file");
    if (bytes.size() < 12 || std::memcmp(bytes.data() + 8, "WAVE", 4) != 0)
        r.FailAt(8, "WAVE", "not a WAVE file");

    WaveFile w;
    r.Seek(kFormatOffset);
    w.FormatTag = r.U16("format tag");
    w.Channels = r.U16("channels");
    w.Rate = r.U32("samples per second");
    r.U32("bytes per second");
    r.U16("block alignment");
    const size_t bitsAt = r.Offset();
    w.Bits = r.U16("bits per sample");
    w.ExtraSize = r.U16("extra size");
    // The file's alignment and byte rate are not trusted: they follow from the other fields.
    w.BlockAlign = static_cast<uint16_t>(w.Channels * (w.Bits / 8));
    w.BytesPerSecond = static_cast<uint32_t>(w.BlockAlign) * w.Rate;
    if (w.Bits <= 7) r.FailAt(bitsAt, "bits per sample", std::to_string(w.Bits) + " bits per sample");

    // Byte-wise scan for the data chunk, any letter case, from offset 35.
    size_t at = kDataScanStart;
    while (at + 4 <= bytes.size() && !LowerEquals(bytes.data() + at, "data")) ++at;
    if (at + 4 > bytes.size()) r.FailAt(kDataScanStart, "data", "no \"data\" chunk");
    r.Seek(at + 4);
    const size_t sizeAt = r.Offset();
    const uint32_t dataBytes = r.U32("data size");
    if (dataBytes > r.Remaining()) {
        r.FailAt(sizeAt, "data size",
                 "data size " + std::to_string(dataBytes) + " exceeds the " + std::to_string(r.Remaining()) +
                     " bytes left");
    }
    w.Samples.assign(bytes.begin() + static_cast<std::ptrdiff_t>(r.Offset()),
                     bytes.begin() + static_cast<std::ptrdiff_t>(r.Offset() + dataBytes));
    return w;
}

WaveFile ReadWaveFile(const std::string& path) {
    return ReadWave(ReadWholeFile(path), path);
}

std::vector<uint8_t> WriteWave(const WaveFile& wave) {
    const uint16_t blockAlign = static_cast<uint16_t>(wave.Channels * (wave.Bits / 8));
    ByteWriter w;
    w.Text("RIFF");
    const size_t pad = wave.Samples.size() % 2;  // RIFF chunks are padded to an even length
    w.U32(static_cast<uint32_t>(36 + wave.Samples.size() + pad));
    w.Text("WAVE");
    w.Text("fmt ");
    w.U32(16);
    w.U16(wave.FormatTag);
    w.U16(wave.Channels);
    w.U32(wave.Rate);
    w.U32(static_cast<uint32_t>(blockAlign) * wave.Rate);
    w.U16(blockAlign);
    w.U16(wave.Bits);
    w.Text("data");
    w.U32(static_cast<uint32_t>(wave.Samples.size()));
    w.Bytes(wave.Samples.data(), wave.Samples.size());
    if (pad != 0) w.U8(0);
    return std::move(w.Data());
}

}  // namespace tv
