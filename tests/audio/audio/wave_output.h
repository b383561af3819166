#pragma once
// OpenAL Soft's wave writer for the audio tests: each test process gets its own output file,
// written by the config in ALSOFT_CONF (copied with that path) before any device is opened.

#include <cstdint>
#include <string>
#include <vector>

namespace tv::test {

// Points OpenAL at a per-process copy of the wave config and returns the WAV path it writes.
std::string UseWaveOutput();

struct StereoLevels {
    double left = 0.0, right = 0.0;  // RMS, full scale = 32768
};

struct MixedWave {
    uint32_t rate = 0;
    std::vector<int16_t> left, right;
    // RMS of both channels over [fromMs, toMs).
    StereoLevels Levels(double fromMs, double toMs) const;
    double Ms() const { return rate ? left.size() * 1000.0 / rate : 0.0; }
};

// Reads what the wave writer mixed (16-bit stereo).
MixedWave ReadMixedWave(const std::string& path);

}  // namespace tv::test
