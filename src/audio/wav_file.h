#pragma once
// WAV files as the sound mixer loads them: RIFF/WAVE, the 18-byte format record at offset 20,
// and the data chunk found by a byte-wise scan for "data" (any letter case) from offset 35.

#include <cstdint>
#include <string>
#include <vector>

namespace tv {

struct WaveFile {
    uint16_t FormatTag = 1;  // 1 = PCM
    uint16_t Channels = 1;
    uint32_t Rate = 0;  // samples per second
    // Computed on reading (the file's values are replaced): Channels * (Bits / 8) and
    // BlockAlign * Rate.
    uint32_t BytesPerSecond = 0;
    uint16_t BlockAlign = 0;
    uint16_t Bits = 16;
    uint16_t ExtraSize = 0;        // as read at offset 36 (meaningless for a 16-byte fmt chunk)
    std::vector<uint8_t> Samples;  // the data chunk's bytes, little-endian PCM
};

// Raises DataError if the file is not RIFF/WAVE, has fewer than 8 bits per sample, has no
// "data" window, or is shorter than its data size.
WaveFile ReadWave(const std::vector<uint8_t>& bytes, const std::string& fileName);
WaveFile ReadWaveFile(const std::string& path);

// Writes a canonical 44-byte-header PCM file (16-byte fmt chunk) with the computed block
// alignment and byte rate.
std::vector<uint8_t> WriteWave(const WaveFile& wave);

}  // namespace tv
