// What the mixer and the music really put out, mixed by OpenAL Soft into a WAV file.

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <thread>

#include "audio/music_stream.h"
#include "audio/sound_effects.h"
#include "audio/wav_file.h"
#include "platform/clock.h"
#include "wave_output.h"

namespace tv {
namespace {

using namespace std::chrono_literals;
using SteadyClock = std::chrono::steady_clock;

double MsSince(SteadyClock::time_point t) {
    return std::chrono::duration<double, std::milli>(SteadyClock::now() - t).count();
}

// A mono 16-bit sine of `ms` milliseconds at 22,050 Hz, written where the test can load it.
std::string WriteSine(const std::string& name, uint32_t ms, double hz) {
    WaveFile w;
    w.Channels = 1;
    w.Rate = 22050;
    w.Bits = 16;
    const size_t n = size_t(w.Rate) * ms / 1000;
    for (size_t i = 0; i < n; ++i) {
        const int16_t s = static_cast<int16_t>(12000.0 * std::sin(2.0 * M_PI * hz * double(i) / w.Rate));
        w.Samples.push_back(static_cast<uint8_t>(s & 0xFF));
        w.Samples.push_back(static_cast<uint8_t>((s >> 8) & 0xFF));
    }
    const auto dir = std::filesystem::path(TERRAVIK_TEST_TMP) / "audio";
    std::filesystem::create_directories(dir);
    const std::string path = (dir / name).string();
    const auto bytes = WriteWave(w);
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                               static_cast<std::streamsize>(bytes.size()));
    return path;
}

class MixedOutput : public ::testing::Test {
protected:
    void SetUp() override { wavePath = test::UseWaveOutput(); }
    // Plays one looping sine at `position` for a while with the listener at the origin facing
    // +y, z up, at the given effects volume, and returns what was mixed.
    test::MixedWave PlayAt(const Vec3& position, int32_t effectsPercent = 100) {
        SoundMixer mixer;
        StepClock clock;
        EXPECT_TRUE(InitSound(mixer, clock));
        EXPECT_NE(mixer.backend, nullptr);
        const int32_t id = LoadSample(mixer, WriteSine("tone.wav", 250, 440.0));
        SetListenerOrientation(mixer, {0, 1, 0}, {0, 0, 1});
        SetListenerPosition(mixer, {0, 0, 0});
        SetEffectsVolume(mixer, effectsPercent);
        UpdateSound(mixer);
        EXPECT_EQ(PlaySample(mixer, id, true, position), 0);
        UpdateSound(mixer);
        std::this_thread::sleep_for(500ms);
        mixer = SoundMixer{};  // closes the device, which finishes the file
        return test::ReadMixedWave(wavePath);
    }
    std::string wavePath;
};

TEST_F(MixedOutput, ASoundIsHeardOnTheSideOfTheListenerItIsOn) {
    // Front +y and top +z make -x the listener's left, as on the screen.
    test::MixedWave left = PlayAt({-5.0f, 0.0f, 0.0f});
    ASSERT_GT(left.Ms(), 300.0);
    test::StereoLevels l = left.Levels(150, left.Ms());
    EXPECT_GT(l.left, 0.05);
    EXPECT_GT(l.left, 2.0 * l.right) << "left " << l.left << " right " << l.right;

    test::MixedWave right = PlayAt({5.0f, 0.0f, 0.0f});
    test::StereoLevels r = right.Levels(150, right.Ms());
    EXPECT_GT(r.right, 2.0 * r.left) << "left " << r.left << " right " << r.right;

    // Straight ahead: even on both sides.
    test::MixedWave ahead = PlayAt({0.0f, 5.0f, 0.0f});
    test::StereoLevels a = ahead.Levels(150, ahead.Ms());
    EXPECT_NEAR(a.left, a.right, 0.1 * a.left);

    // The effects volume scales the whole mix on the music's curve: 25 % is -20 dB, a tenth of
    // the amplitude, and 0 is silence.
    test::StereoLevels quarter = PlayAt({0.0f, 5.0f, 0.0f}, 25).Levels(150, 450);
    EXPECT_NEAR(quarter.left / a.left, 0.1, 0.03) << "full " << a.left << " at 25 % " << quarter.left;
    test::StereoLevels none = PlayAt({0.0f, 5.0f, 0.0f}, 0).Levels(150, 450);
    EXPECT_LT(none.left, 0.001 * a.left);
}

TEST_F(MixedOutput, ALoopingSampleSoundsUntilItsChannelIsStopped) {
    SoundMixer mixer;
    StepClock clock;
    ASSERT_TRUE(InitSound(mixer, clock));
    const auto opened = SteadyClock::now();
    const int32_t id = LoadSample(mixer, WriteSine("short.wav", 60, 660.0));  // far shorter than the run
    int32_t channel = PlaySample(mixer, id, true, {0.0f, 2.0f, 0.0f});
    ASSERT_EQ(channel, 0);
    UpdateSound(mixer);
    std::this_thread::sleep_for(700ms);
    const double stoppedAtMs = MsSince(opened);
    ASSERT_TRUE(StopChannel(mixer, channel));
    EXPECT_EQ(channel, -1);
    UpdateSound(mixer);
    std::this_thread::sleep_for(500ms);
    mixer = SoundMixer{};

    test::MixedWave mix = test::ReadMixedWave(wavePath);
    ASSERT_GT(mix.Ms(), stoppedAtMs + 300);
    // Every 50 ms while looping holds the tone; well after the stop there is silence.
    // (The writer may lag the wall clock when the machine is busy; the margins allow for it.)
    for (double t = 150; t + 50 < stoppedAtMs - 250; t += 50) {
        test::StereoLevels s = mix.Levels(t, t + 50);
        EXPECT_GT(s.left + s.right, 0.1) << "a gap at " << t << " ms";
    }
    test::StereoLevels after = mix.Levels(stoppedAtMs + 250, mix.Ms());
    EXPECT_LT(after.left + after.right, 0.001);
}

TEST_F(MixedOutput, TheMusicStreamsTheGameMusicAndItsPositionMoves) {
    MusicDevice device;
    ASSERT_TRUE(OpenMusicDevice(device));
    ASSERT_NE(device.al, nullptr) << "the wave writer did not open";
    {
        TOGG music(device, std::string(TERRAVIK_GAME_DIR) + "/k_resurs/sound/Crystal2_Snow.ogg");
        ASSERT_TRUE(music.loaded());
        music.Play(true);
        EXPECT_TRUE(music.IsPlaying());
        std::this_thread::sleep_for(900ms);
        const uint64_t played = music.PlayedBytes();
        // 44.1 kHz stereo: 176,400 bytes a second; the refill thread must have kept up.
        EXPECT_GT(played, 176400u * 4 / 10);
        EXPECT_LT(music.PlayPosition(), MusicRing::kBytes);
        music.Stop();
        EXPECT_FALSE(music.IsPlaying());
    }
    device = MusicDevice{};
    test::MixedWave mix = test::ReadMixedWave(wavePath);
    ASSERT_GT(mix.Ms(), 700.0);
    test::StereoLevels s = mix.Levels(100, 700);
    EXPECT_GT(s.left + s.right, 0.02);
}

}  // namespace
}  // namespace tv
