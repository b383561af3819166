// The mixer's sample and channel rules on the silent back-end, timed by a step clock.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "audio/sound_effects.h"
#include "audio/wav_file.h"
#include "platform/clock.h"

namespace tv {
namespace {

namespace fs = std::filesystem;

// A mono 16-bit sample of `ms` milliseconds at 1000 Hz sampling, so 2 bytes per ms.
WaveFile Tone(uint32_t ms) {
    WaveFile w;
    w.Channels = 1;
    w.Rate = 1000;
    w.Bits = 16;
    w.Samples.assign(ms * 2, 0x10);
    return w;
}

class Mixer : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::path(TERRAVIK_TEST_TMP) /
              (std::string("mixer_") + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
        ASSERT_TRUE(InitSound(mixer, clock, MakeSilentSoundBackend(kSoundChannelCount, clock)));
    }
    std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) {
        const std::string path = (dir / name).string();
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                   static_cast<std::streamsize>(bytes.size()));
        return path;
    }
    std::string WriteTone(const std::string& name, uint32_t ms) { return Write(name, WriteWave(Tone(ms))); }

    StepClock clock;
    SoundMixer mixer;
    fs::path dir;
};

TEST_F(Mixer, SamplesGetIdsInLoadOrderAndAPathIsLoadedOnce) {
    const std::string a = WriteTone("a.wav", 100), b = WriteTone("b.wav", 100), c = WriteTone("c.wav", 100);
    EXPECT_EQ(LoadSample(mixer, a), 1);
    EXPECT_EQ(LoadSample(mixer, b), 2);
    EXPECT_EQ(LoadSample(mixer, a), 1);  // already loaded
    EXPECT_EQ(LoadSample(mixer, c), 3);
    EXPECT_EQ(mixer.sampleCount, 3);

    // Bad files give -1 and leave nothing behind, each with one stderr line naming the file
    // and what is wrong; the next good one still gets the next id.
    std::vector<uint8_t> cut = WriteWave(Tone(1000));
    cut.resize(100);  // the data chunk says 2,000 bytes, 56 follow
    const std::vector<std::pair<std::string, std::string>> bad = {
        {(dir / "missing.wav").string(), "cannot open"},
        {Write("text.wav", {'h', 'e', 'l', 'l', 'o'}), "not a RIFF file"},
        {Write("empty.wav", WriteWave(Tone(0))), "refused"},
        {Write("cut.wav", cut), "offset 40: data size: data size 2000 exceeds the 56 bytes left"},
    };
    for (const auto& [path, reason] : bad) {
        ::testing::internal::CaptureStderr();
        EXPECT_EQ(LoadSample(mixer, path), -1) << path;
        const std::string err = ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(err.rfind("terravik: ", 0), 0u) << err;
        EXPECT_NE(err.find(path), std::string::npos) << err;
        EXPECT_NE(err.find(reason), std::string::npos) << err;
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    }
    EXPECT_EQ(mixer.sampleCount, 3);

    // Ids are not reused after a sample is freed.
    EXPECT_TRUE(FreeSample(mixer, 2));
    EXPECT_FALSE(FreeSample(mixer, 2));
    EXPECT_EQ(mixer.sampleCount, 2);
    EXPECT_EQ(LoadSample(mixer, b), 4);
}

TEST_F(Mixer, NothingWorksBeforeInitSoundAndItInitialisesOnce) {
    SoundMixer fresh;
    int32_t handle = 0;
    EXPECT_EQ(LoadSample(fresh, WriteTone("a.wav", 10)), -1);
    EXPECT_EQ(PlaySample(fresh, 1, false, {}), -1);
    EXPECT_FALSE(StopChannel(fresh, handle));
    EXPECT_FALSE(FreeSample(fresh, 1));
    UpdateSound(fresh);  // no back-end: must not crash
    SetListenerPosition(fresh, {1, 2, 3});

    EXPECT_FALSE(InitSound(mixer, clock, MakeSilentSoundBackend(kSoundChannelCount, clock)));
    EXPECT_FALSE(InitSound(fresh, clock, nullptr));
}

TEST_F(Mixer, AFinishedChannelIsReusedBySameSampleUntilItIsReclaimed) {
    const int32_t shot = LoadSample(mixer, WriteTone("shot.wav", 500));
    const int32_t other = LoadSample(mixer, WriteTone("other.wav", 500));
    clock.SetTicks(1000);
    EXPECT_EQ(PlaySample(mixer, shot, false, {1, 2, 3}), 0);
    EXPECT_EQ(PlaySample(mixer, shot, false, {}), 1);  // channel 0 is still playing
    EXPECT_EQ(mixer.channels[0].position.z, 3.0f);
    UpdateSound(mixer);
    EXPECT_EQ(mixer.playingChannels, 2);

    clock.Advance(600);  // both have ended
    UpdateSound(mixer);
    EXPECT_EQ(mixer.playingChannels, 0);
    EXPECT_EQ(mixer.activeChannels, 2);
    EXPECT_EQ(PlaySample(mixer, other, false, {}), 2);  // another sample takes an empty channel
    EXPECT_EQ(PlaySample(mixer, shot, false, {}), 0);   // the same sample reuses its silent one
    EXPECT_EQ(mixer.channels[0].startTime, 1600u);

    // Channel 1 started at 1000 and is emptied once 3001 ms have passed since then.
    clock.SetTicks(4000);
    UpdateSound(mixer);
    EXPECT_TRUE(mixer.channels[1].hasBuffer);
    clock.SetTicks(4001);
    UpdateSound(mixer);
    EXPECT_FALSE(mixer.channels[1].hasBuffer);
    EXPECT_EQ(mixer.channels[1].sampleId, shot);  // the id stays for the record
    EXPECT_TRUE(mixer.channels[0].hasBuffer);     // restarted at 1600
}

TEST_F(Mixer, WhenEveryChannelPlaysANewSoundIsDroppedAndTheLowestSilentOneIsTakenLater) {
    const int32_t loop = LoadSample(mixer, WriteTone("loop.wav", 100));
    const int32_t once = LoadSample(mixer, WriteTone("once.wav", 100));
    std::vector<int32_t> handles;
    for (int i = 0; i < kSoundChannelCount; ++i) handles.push_back(PlaySample(mixer, loop, true, {}));
    EXPECT_EQ(handles.front(), 0);
    EXPECT_EQ(handles.back(), kSoundChannelCount - 1);
    clock.Advance(10000);  // looping channels hold their slot
    EXPECT_EQ(PlaySample(mixer, once, false, {}), -1);

    int32_t h7 = handles[7], h3 = handles[3];
    EXPECT_TRUE(StopChannel(mixer, h7));
    EXPECT_TRUE(StopChannel(mixer, h3));
    EXPECT_EQ(h7, -1);
    EXPECT_EQ(PlaySample(mixer, once, false, {}), 3);  // the lowest silent channel, emptied and retaken
    EXPECT_EQ(mixer.channels[3].sampleId, once);
    EXPECT_EQ(PlaySample(mixer, loop, true, {}), 7);   // channel 7 still holds this sample
}

TEST_F(Mixer, StopChannelNeedsAChannelThatHoldsAVoice) {
    const int32_t id = LoadSample(mixer, WriteTone("laser.wav", 100));
    int32_t none = -1, outside = kSoundChannelCount, empty = 5;
    EXPECT_FALSE(StopChannel(mixer, none));
    EXPECT_FALSE(StopChannel(mixer, outside));
    EXPECT_FALSE(StopChannel(mixer, empty));
    EXPECT_EQ(none, -1);
    EXPECT_EQ(outside, kSoundChannelCount);
    EXPECT_EQ(empty, 5);

    int32_t laser = PlaySample(mixer, id, true, {});
    ASSERT_EQ(laser, 0);
    EXPECT_TRUE(SetChannelPosition(mixer, laser, {4, 5, 6}));
    EXPECT_EQ(mixer.channels[0].position.y, 5.0f);
    EXPECT_TRUE(StopChannel(mixer, laser));
    EXPECT_EQ(laser, -1);
    UpdateSound(mixer);
    EXPECT_EQ(mixer.playingChannels, 0);
    EXPECT_FALSE(SetChannelPosition(mixer, 9, {}));
}

TEST_F(Mixer, FreeingASampleEmptiesEveryChannelThatPlaysIt) {
    const int32_t a = LoadSample(mixer, WriteTone("a.wav", 100));
    const int32_t b = LoadSample(mixer, WriteTone("b.wav", 100));
    EXPECT_EQ(PlaySample(mixer, a, true, {}), 0);
    EXPECT_EQ(PlaySample(mixer, b, true, {}), 1);
    EXPECT_EQ(PlaySample(mixer, a, true, {}), 2);
    EXPECT_TRUE(FreeSample(mixer, a));
    EXPECT_FALSE(mixer.channels[0].hasBuffer);
    EXPECT_FALSE(mixer.channels[2].hasBuffer);
    EXPECT_EQ(mixer.channels[0].sampleId, -1);
    EXPECT_TRUE(mixer.channels[1].hasBuffer);
    EXPECT_EQ(PlaySample(mixer, a, false, {}), -1);  // gone
    UpdateSound(mixer);
    EXPECT_EQ(mixer.playingChannels, 1);
}

}  // namespace
}  // namespace tv
