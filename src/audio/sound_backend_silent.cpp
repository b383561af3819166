// The mixer's fallback when there is no output device: nothing is heard, but every voice
// keeps the state a real one would have, timed by the game clock, so the channel rules work
// the same with or without sound.

#include <map>
#include <vector>

#include "audio/sound_backend.h"
#include "audio/wav_file.h"
#include "platform/clock.h"

namespace tv {
namespace {

class SilentSoundBackend final : public SoundBackend {
public:
    SilentSoundBackend(int voiceCount, Clock& clock) : clock_(clock), voices_(static_cast<size_t>(voiceCount)) {}

    uint32_t CreateBuffer(const WaveFile& wave) override {
        const uint32_t frame = wave.Channels * (wave.Bits / 8u);
        if (wave.FormatTag != 1 || frame == 0 || wave.Rate == 0 || wave.Samples.size() < frame) return 0;
        const uint64_t frames = wave.Samples.size() / frame;
        lengthsMs_[++lastBuffer_] = static_cast<uint32_t>(frames * 1000u / wave.Rate);
        return lastBuffer_;
    }
    void DeleteBuffer(uint32_t buffer) override { lengthsMs_.erase(buffer); }

    bool AttachVoice(int v, uint32_t buffer) override {
        if (!lengthsMs_.count(buffer)) return false;
        voices_[v] = Voice{buffer, false, false, 0};
        return true;
    }
    void ReleaseVoice(int v) override { voices_[v] = Voice{}; }

    bool VoiceStatus(int v, bool& playing) override {
        Voice& voice = voices_[v];
        if (voice.playing && !voice.loop && clock_.TickCount() - voice.startMs >= lengthsMs_[voice.buffer])
            voice.playing = false;
        playing = voice.playing;
        return true;
    }
    bool PlayVoice(int v, bool loop) override {
        Voice& voice = voices_[v];
        if (voice.buffer == 0) return false;
        bool playing = false;
        VoiceStatus(v, playing);
        voice.loop = loop;
        if (!playing) voice.startMs = clock_.TickCount();
        voice.playing = true;
        return true;
    }
    bool StopVoice(int v) override {
        voices_[v].playing = false;
        return true;
    }
    void SetVoicePosition(int, const Vec3&) override {}
    // Voices age on the game's clock, which stands still while the game is paused.
    void PauseVoices(bool) override {}

    void SetDistanceFactor(float) override {}
    void SetRolloffFactor(float) override {}
    void SetListenerOrientation(const Vec3&, const Vec3&) override {}
    void SetListenerPosition(const Vec3&) override {}
    void SetListenerGain(float) override {}
    void CommitDeferred() override {}

private:
    struct Voice {
        uint32_t buffer = 0;
        bool playing = false;
        bool loop = false;
        uint32_t startMs = 0;
    };
    Clock& clock_;
    std::vector<Voice> voices_;
    std::map<uint32_t, uint32_t> lengthsMs_;  // buffer -> play time
    uint32_t lastBuffer_ = 0;
};

}  // namespace

std::unique_ptr<SoundBackend> MakeSilentSoundBackend(int voiceCount, Clock& clock) {
    return std::make_unique<SilentSoundBackend>(voiceCount, clock);
}

}  // namespace tv
