#include "wave_output.h"

#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "audio/wav_file.h"

namespace tv::test {

std::string UseWaveOutput() {
    namespace fs = std::filesystem;
    const fs::path dir = fs::path(TERRAVIK_TEST_TMP) / "audio";
    fs::create_directories(dir);
    const std::string wave = (dir / ("mix-" + std::to_string(getpid()) + ".wav")).string();
    const std::string conf = (dir / ("alsoft-" + std::to_string(getpid()) + ".conf")).string();

    std::stringstream in;
    if (const char* template_ = std::getenv("ALSOFT_CONF")) in << std::ifstream(template_).rdbuf();
    if (in.str().find("drivers") == std::string::npos)
        in.str("[general]\ndrivers = wave\nchannels = stereo\nsample-type = int16\nfrequency = 44100\n"
               "hrtf = false\n[wave]\nfile = x\n");
    std::ofstream out(conf);
    std::string line;
    while (std::getline(in, line)) out << (line.rfind("file", 0) == 0 ? "file = " + wave : line) << "\n";
    out.close();
    setenv("ALSOFT_CONF", conf.c_str(), 1);
    unsetenv("ALSOFT_DRIVERS");
    fs::remove(wave);
    return wave;
}

StereoLevels MixedWave::Levels(double fromMs, double toMs) const {
    const size_t a = static_cast<size_t>(std::max(0.0, fromMs) * rate / 1000.0);
    const size_t b = std::min(left.size(), static_cast<size_t>(toMs * rate / 1000.0));
    double l = 0.0, r = 0.0;
    for (size_t i = a; i < b; ++i) {
        l += double(left[i]) * left[i];
        r += double(right[i]) * right[i];
    }
    const double n = b > a ? double(b - a) : 1.0;
    return {std::sqrt(l / n) / 32768.0, std::sqrt(r / n) / 32768.0};
}

MixedWave ReadMixedWave(const std::string& path) {
    WaveFile w = ReadWaveFile(path);
    if (w.Channels != 2 || w.Bits != 16) throw std::runtime_error("the wave writer did not write 16-bit stereo");
    MixedWave m;
    m.rate = w.Rate;
    for (size_t i = 0; i + 3 < w.Samples.size(); i += 4) {
        m.left.push_back(static_cast<int16_t>(w.Samples[i] | w.Samples[i + 1] << 8));
        m.right.push_back(static_cast<int16_t>(w.Samples[i + 2] | w.Samples[i + 3] << 8));
    }
    return m;
}

}  // namespace tv::test
