// The music ring driven by hand: an output that plays only when told to, a source of counted
// bytes, and the generated Ogg file through the real decoder.

#include <gtest/gtest.h>

#include <chrono>
#include <deque>
#include <thread>
#include <filesystem>
#include <mutex>
#include <vector>

#include "audio/music_stream.h"
#include "audio/ogg_decoder.h"

namespace tv {
namespace {

// Keeps the queued segments; Consume(n) plays the n oldest.
class ManualOutput final : public MusicOutput {
public:
    struct Shared {
        std::mutex m;
        std::deque<std::vector<uint8_t>> queue;
        std::vector<uint8_t> heard;  // everything played, in order
        size_t played = 0;
        bool playing = false;
        float gain = 1.0f;
        void Consume(size_t n) {
            std::lock_guard lock(m);
            for (; n > 0 && !queue.empty(); --n) {
                heard.insert(heard.end(), queue.front().begin(), queue.front().end());
                queue.pop_front();
                ++played;
            }
            if (queue.empty()) playing = false;
        }
    };
    explicit ManualOutput(std::shared_ptr<Shared> s) : s_(std::move(s)) {}
    size_t TakePlayedSegments() override {
        std::lock_guard lock(s_->m);
        size_t n = s_->played;
        s_->played = 0;
        return n;
    }
    bool QueueSegment(const uint8_t* data, size_t bytes) override {
        std::lock_guard lock(s_->m);
        s_->queue.emplace_back(data, data + bytes);
        return true;
    }
    void Play() override {
        std::lock_guard lock(s_->m);
        s_->playing = !s_->queue.empty();
    }
    void Pause() override {
        std::lock_guard lock(s_->m);
        s_->playing = false;
    }
    void Stop() override {
        std::lock_guard lock(s_->m);
        s_->playing = false;
        s_->queue.clear();
        s_->played = 0;
    }
    bool IsPlaying() override {
        std::lock_guard lock(s_->m);
        return s_->playing;
    }
    uint32_t BytesIntoQueue() override { return 100; }
    void SetGain(float gain) override { s_->gain = gain; }

private:
    std::shared_ptr<Shared> s_;
};

// Bytes 1, 2, 3, ... (mod 251, never 0) up to `length`, then the end of the stream.
class CountingSource final : public PcmSource {
public:
    explicit CountingSource(size_t length) : length_(length) {}
    size_t Read(uint8_t* dst, size_t bytes) override {
        size_t n = std::min(bytes, std::min<size_t>(length_ - at_, 3000));  // short reads, like a decoder
        for (size_t i = 0; i < n; ++i) dst[i] = static_cast<uint8_t>(1 + (at_ + i) % 251);
        at_ += n;
        return n;
    }
    bool Rewind() override {
        at_ = 0;
        ++rewinds;
        return true;
    }
    int rewinds = 0;

private:
    size_t length_;
    size_t at_ = 0;
};

uint8_t Expected(size_t streamOffset) { return static_cast<uint8_t>(1 + streamOffset % 251); }

constexpr size_t kSeg = MusicRing::kSegmentBytes;

TEST(MusicRing, PrefillsTheWholeRingAndRefillsExactlyWhatWasPlayed) {
    auto shared = std::make_shared<ManualOutput::Shared>();
    ManualOutput out(shared);
    CountingSource source(10 * MusicRing::kBytes);
    MusicRing ring;
    bool finished = false;
    ring.Refill(source, out, true, finished);
    EXPECT_EQ(shared->queue.size(), MusicRing::kSegments);
    EXPECT_EQ(ring.WritePosition(), 0u);  // wrapped all the way round
    for (size_t i = 0; i < MusicRing::kBytes; i += 997) EXPECT_EQ(ring.Bytes()[i], Expected(i)) << i;

    ring.Refill(source, out, true, finished);  // nothing played: nothing written
    EXPECT_EQ(shared->queue.size(), MusicRing::kSegments);

    shared->Consume(3);
    EXPECT_EQ(ring.PlayCursor(out), 100u);  // the played segments are not taken back yet
    ring.Refill(source, out, true, finished);
    EXPECT_EQ(ring.PlayCursor(out), 3 * kSeg + 100);
    EXPECT_EQ(ring.WritePosition(), 3 * kSeg);
    EXPECT_EQ(ring.PlayedBytes(out), 3 * kSeg + 100);
    // The three rewritten segments carry on the stream where the ring left off.
    EXPECT_EQ(ring.Bytes()[0], Expected(MusicRing::kBytes));
    EXPECT_EQ(ring.Bytes()[3 * kSeg - 1], Expected(MusicRing::kBytes + 3 * kSeg - 1));
    EXPECT_EQ(ring.Bytes()[3 * kSeg], Expected(3 * kSeg));  // not yet played, untouched
    EXPECT_FALSE(finished);
}

TEST(MusicRing, ALoopingStreamGoesOnFromItsStartWithoutAGap) {
    auto shared = std::make_shared<ManualOutput::Shared>();
    ManualOutput out(shared);
    const size_t length = 3 * kSeg + 1234;  // ends inside a segment
    CountingSource source(length);
    MusicRing ring;
    bool finished = false;
    ring.Refill(source, out, true, finished);
    for (int pass = 0; pass < 10; ++pass) {
        shared->Consume(2);
        ring.Refill(source, out, true, finished);
    }
    shared->Consume(MusicRing::kSegments);
    ASSERT_EQ(shared->heard.size(), 28 * kSeg);
    for (size_t i = 0; i < shared->heard.size(); ++i)
        ASSERT_EQ(shared->heard[i], Expected(i % length)) << "at byte " << i;
    EXPECT_FALSE(finished);
    EXPECT_GE(source.rewinds, 5);
}

TEST(MusicRing, AStreamThatEndsWithoutLoopingFillsSilenceAndFinishes) {
    auto shared = std::make_shared<ManualOutput::Shared>();
    ManualOutput out(shared);
    CountingSource source(kSeg + 10);
    MusicRing ring;
    bool finished = false;
    ring.Refill(source, out, false, finished);
    EXPECT_TRUE(finished);
    EXPECT_EQ(ring.Bytes()[kSeg + 9], Expected(kSeg + 9));
    EXPECT_EQ(ring.Bytes()[kSeg + 10], 0);
    EXPECT_EQ(ring.Bytes()[MusicRing::kBytes - 1], 0);
    EXPECT_EQ(source.rewinds, 0);

    // A looping stream with nothing in it gives silence instead of rewinding forever.
    CountingSource empty(0);
    MusicRing ring2;
    bool finished2 = false;
    ring2.Refill(empty, out, true, finished2);
    EXPECT_EQ(ring2.Bytes()[5], 0);
    EXPECT_FALSE(finished2);
}

TEST(MusicVolume, PercentMapsToHundredthsOfADecibelAndGain) {
    EXPECT_EQ(MusicVolumeMb(100), 0);
    EXPECT_EQ(MusicVolumeMb(50), -1000);
    EXPECT_EQ(MusicVolumeMb(0), -10000);
    EXPECT_EQ(MusicVolumeMb(150), 0);
    EXPECT_EQ(MusicVolumeMb(-5), -10000);
    EXPECT_EQ(MusicVolumeMb(10), -3322);
    EXPECT_FLOAT_EQ(GainForMb(0), 1.0f);
    EXPECT_NEAR(GainForMb(-2000), 0.1f, 1e-6f);
    EXPECT_NEAR(GainForMb(-600), 0.501187f, 1e-5f);
    EXPECT_NEAR(GainForMb(-10000), 1e-5f, 1e-9f);
}

TEST(Music, PlayPrefillsAndStopThenPlayStartsAgainFromTheBeginning) {
    auto shared = std::make_shared<ManualOutput::Shared>();
    auto sourcePtr = std::make_unique<CountingSource>(10 * MusicRing::kBytes);
    CountingSource* source = sourcePtr.get();
    TOGG music(std::move(sourcePtr), std::make_unique<ManualOutput>(shared));
    ASSERT_TRUE(music.loaded());
    music.SetVolume(50);
    EXPECT_EQ(music.VolumeMb(), -1000);
    EXPECT_NEAR(shared->gain, 0.1f * 3.16227766f, 1e-5f);

    music.Play(true);
    EXPECT_TRUE(music.IsPlaying());
    EXPECT_EQ(source->rewinds, 0);  // the first play starts at the beginning without a seek
    shared->Consume(2);
    music.RefillPass();
    EXPECT_EQ(music.PlayedBytes(), 2 * kSeg + 100);

    music.Play(true);  // a playing stream stops and starts over
    EXPECT_EQ(source->rewinds, 1);
    EXPECT_EQ(music.PlayedBytes(), 100u);
    {
        std::lock_guard lock(shared->m);
        ASSERT_EQ(shared->queue.size(), MusicRing::kSegments);
        EXPECT_EQ(shared->queue.front()[0], Expected(0));
    }
    music.Stop();
    EXPECT_FALSE(music.IsPlaying());
    EXPECT_TRUE(music.finished());
    music.Play(false);
    EXPECT_EQ(source->rewinds, 2);
    EXPECT_FALSE(music.finished());
}

// A paused stream stays paused through the refill passes (which restart a source that ran dry),
// and on the silent device its play position holds until it resumes.
TEST(Music, PauseHoldsThePlayPositionUntilResumed) {
    auto shared = std::make_shared<ManualOutput::Shared>();
    TOGG manual(std::make_unique<CountingSource>(10 * MusicRing::kBytes), std::make_unique<ManualOutput>(shared));
    manual.Play(true);
    manual.Pause(true);
    manual.RefillPass();
    EXPECT_FALSE(shared->playing);
    EXPECT_TRUE(manual.IsPlaying());  // paused is still playing, not stopped
    manual.Pause(false);
    EXPECT_TRUE(shared->playing);

    // 1,000 bytes a second: 50 ms move the position by about 50 bytes.
    TOGG silent(std::make_unique<CountingSource>(10 * MusicRing::kBytes), MakeSilentMusicOutput(1, 500));
    silent.Play(true);
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    silent.Pause(true);
    const uint64_t held = silent.PlayedBytes();
    EXPECT_GT(held, 0u);
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    EXPECT_EQ(silent.PlayedBytes(), held);
    silent.Pause(false);
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    EXPECT_GT(silent.PlayedBytes(), held);
}

TEST(Music, AMissingFileIsNotLoadedAndEveryCallDoesNothing) {
    const std::string music = std::string(TERRAVIK_GAME_DIR) + "/k_resurs/sound/Crystal2_Snow.ogg";
    MusicDevice device;
    TOGG beforeDevice(device, music);
    EXPECT_FALSE(beforeDevice.loaded());  // no device yet
    EXPECT_EQ(beforeDevice.load_status().error().reason(), "no music device");

    // The device is initialised only when a real one opened; without one the music stays
    // not loaded (the start-up then logs "Load file ogg False").
    const bool real = OpenMusicDevice(device);
    const std::shared_ptr<AlDevice> first = device.al;
    EXPECT_EQ(real, first != nullptr);
    EXPECT_EQ(device.initialised, real);
    EXPECT_EQ(OpenMusicDevice(device), real);  // a second open keeps the first
    EXPECT_EQ(device.al, first);
    EXPECT_EQ(TOGG(device, music).loaded(), real);

    MusicDevice silent;  // set up by hand: plays through the silent output
    silent.initialised = true;
    EXPECT_TRUE(TOGG(silent, music).loaded());
    const std::string missingPath = std::string(TERRAVIK_GAME_DIR) + "/k_resurs/sound/no_such_music.ogg";
    TOGG missing(silent, missingPath);
    EXPECT_FALSE(missing.loaded());
    EXPECT_EQ(missing.load_status().error().reason(), "cannot open: No such file or directory");
    missing.SetVolume(0);
    missing.Play(true);
    EXPECT_FALSE(missing.IsPlaying());
    missing.Stop();
    EXPECT_EQ(missing.VolumeMb(), 0);
    TOGG empty(silent, "");
    EXPECT_FALSE(empty.loaded());
    EXPECT_EQ(TOGG(silent, TERRAVIK_GAME_DIR).load_status().error().reason(), "is a directory");

    // Not Ogg Vorbis at all.
    TOGG notOgg(silent, std::string(TERRAVIK_GAME_DIR) + "/k_resurs/sound/expl_1.wav");
    EXPECT_FALSE(notOgg.loaded());
    EXPECT_EQ(notOgg.load_status().error().reason(), "not a readable Ogg Vorbis file");
}

TEST(OggDecoder, DecodesTheGameMusicAndRewindsToTheSameFirstSamples) {
    auto decoder = OggDecoder::Open(std::string(TERRAVIK_GAME_DIR) + "/k_resurs/sound/Crystal2_Snow.ogg");
    ASSERT_TRUE(decoder);
    EXPECT_EQ(decoder->Channels(), 2);
    EXPECT_EQ(decoder->Rate(), 44100);
    std::vector<uint8_t> first(4096), again(4096), chunk(65536);
    size_t got = 0;
    while (got < first.size()) got += decoder->Read(first.data() + got, first.size() - got);
    size_t total = got, n = 0;
    int16_t peak = 0;
    while ((n = decoder->Read(chunk.data(), chunk.size())) > 0) {
        total += n;
        for (size_t i = 0; i + 1 < n; i += 2) {
            int16_t s = static_cast<int16_t>(chunk[i] | chunk[i + 1] << 8);
            peak = std::max<int16_t>(peak, static_cast<int16_t>(std::abs(s)));
        }
    }
    EXPECT_GT(total, 44100u * 4);  // more than a second of stereo
    EXPECT_EQ(total % 4, 0u);      // whole frames
    EXPECT_GT(peak, 1000);         // music, not silence
    ASSERT_TRUE(decoder->Rewind());
    got = 0;
    while (got < again.size()) got += decoder->Read(again.data() + got, again.size() - got);
    EXPECT_EQ(first, again);
}

}  // namespace
}  // namespace tv
