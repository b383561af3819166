// The effect mixer's device through OpenAL: one buffer per sample, one source per voice.
// Listener and voice positions wait in this object until CommitDeferred hands them over in
// one batch, so a frame's 3D changes take effect together.

#include <AL/al.h>

#include <cfloat>
#include <vector>

#include "audio/al_device.h"
#include "audio/sound_backend.h"
#include "audio/wav_file.h"

namespace tv {
namespace {

constexpr float kReferenceDistance = 1.0f;  // full volume up to one unit away

class OpenAlSoundBackend final : public SoundBackend {
public:
    OpenAlSoundBackend(std::shared_ptr<AlDevice> device, std::vector<ALuint> sources)
        : device_(std::move(device)), sources_(std::move(sources)), voices_(sources_.size()) {}

    ~OpenAlSoundBackend() override {
        AlContextScope scope(*device_);
        for (ALuint s : sources_) {
            alSourceStop(s);
            alSourcei(s, AL_BUFFER, 0);
        }
        alDeleteSources(static_cast<ALsizei>(sources_.size()), sources_.data());
        if (!buffers_.empty()) alDeleteBuffers(static_cast<ALsizei>(buffers_.size()), buffers_.data());
    }

    uint32_t CreateBuffer(const WaveFile& wave) override {
        ALenum format = 0;
        if (wave.FormatTag != 1) return 0;
        if (wave.Channels == 1 && wave.Bits == 8) format = AL_FORMAT_MONO8;
        if (wave.Channels == 1 && wave.Bits == 16) format = AL_FORMAT_MONO16;
        if (wave.Channels == 2 && wave.Bits == 8) format = AL_FORMAT_STEREO8;
        if (wave.Channels == 2 && wave.Bits == 16) format = AL_FORMAT_STEREO16;
        const size_t frame = wave.Channels * (wave.Bits / 8u);
        const size_t bytes = format ? wave.Samples.size() - wave.Samples.size() % frame : 0;
        if (bytes == 0 || wave.Rate == 0) return 0;
        AlContextScope scope(*device_);
        alGetError();
        ALuint buffer = 0;
        alGenBuffers(1, &buffer);
        if (alGetError() != AL_NO_ERROR) return 0;
        alBufferData(buffer, format, wave.Samples.data(), static_cast<ALsizei>(bytes), static_cast<ALsizei>(wave.Rate));
        if (alGetError() != AL_NO_ERROR) {
            alDeleteBuffers(1, &buffer);
            return 0;
        }
        buffers_.push_back(buffer);
        return buffer;
    }

    void DeleteBuffer(uint32_t buffer) override {
        AlContextScope scope(*device_);
        ALuint b = buffer;
        alDeleteBuffers(1, &b);
        std::erase(buffers_, b);
    }

    bool AttachVoice(int v, uint32_t buffer) override {
        AlContextScope scope(*device_);
        alGetError();
        alSourceStop(sources_[v]);
        alSourcei(sources_[v], AL_BUFFER, static_cast<ALint>(buffer));
        return alGetError() == AL_NO_ERROR;
    }

    void ReleaseVoice(int v) override {
        AlContextScope scope(*device_);
        alSourceStop(sources_[v]);
        alSourcei(sources_[v], AL_BUFFER, 0);
    }

    bool VoiceStatus(int v, bool& playing) override {
        AlContextScope scope(*device_);
        alGetError();
        ALint state = AL_STOPPED;
        alGetSourcei(sources_[v], AL_SOURCE_STATE, &state);
        if (alGetError() != AL_NO_ERROR) return false;
        playing = state == AL_PLAYING;
        return true;
    }

    bool PlayVoice(int v, bool loop) override {
        AlContextScope scope(*device_);
        alGetError();
        // A voice starts where it was just placed, not where it was a frame ago.
        ApplyVoicePosition(v);
        alSourcei(sources_[v], AL_LOOPING, loop ? AL_TRUE : AL_FALSE);
        alSourcePlay(sources_[v]);
        return alGetError() == AL_NO_ERROR;
    }

    bool StopVoice(int v) override {
        AlContextScope scope(*device_);
        alGetError();
        alSourceStop(sources_[v]);
        alSourceRewind(sources_[v]);
        return alGetError() == AL_NO_ERROR;
    }

    void PauseVoices(bool paused) override {
        AlContextScope scope(*device_);
        if (paused) {
            held_.clear();
            for (ALuint s : sources_) {
                ALint state = AL_STOPPED;
                alGetSourcei(s, AL_SOURCE_STATE, &state);
                if (state == AL_PLAYING) {
                    alSourcePause(s);
                    held_.push_back(s);
                }
            }
        } else {
            for (ALuint s : held_) {
                ALint state = AL_STOPPED;
                alGetSourcei(s, AL_SOURCE_STATE, &state);
                if (state == AL_PAUSED) alSourcePlay(s);
            }
            held_.clear();
        }
    }

    void SetVoicePosition(int v, const Vec3& position) override {
        voices_[v].position = position;
        voices_[v].dirty = true;
    }

    void SetDistanceFactor(float metresPerUnit) override {
        // Only the Doppler shift depends on it, and no voice moves with a velocity.
        distanceFactor_ = metresPerUnit;
    }
    void SetRolloffFactor(float rolloff) override {
        rolloff_ = rolloff;
        rolloffDirty_ = true;
    }
    void SetListenerOrientation(const Vec3& front, const Vec3& top) override {
        orientation_[0] = front.x, orientation_[1] = front.y, orientation_[2] = front.z;
        orientation_[3] = top.x, orientation_[4] = top.y, orientation_[5] = top.z;
        orientationDirty_ = true;
    }
    void SetListenerPosition(const Vec3& position) override {
        listenerPosition_ = position;
        positionDirty_ = true;
    }

    void SetListenerGain(float gain) override {
        listenerGain_ = gain;
        gainDirty_ = true;
    }

    void CommitDeferred() override {
        AlContextScope scope(*device_);
        device_->DeferUpdates();
        if (orientationDirty_) alListenerfv(AL_ORIENTATION, orientation_);
        if (positionDirty_) alListener3f(AL_POSITION, listenerPosition_.x, listenerPosition_.y, listenerPosition_.z);
        if (gainDirty_) alListenerf(AL_GAIN, listenerGain_);
        for (size_t v = 0; v < sources_.size(); ++v) {
            if (rolloffDirty_) alSourcef(sources_[v], AL_ROLLOFF_FACTOR, rolloff_);
            ApplyVoicePosition(static_cast<int>(v));
        }
        orientationDirty_ = positionDirty_ = rolloffDirty_ = gainDirty_ = false;
        device_->ProcessUpdates();
    }

private:
    struct Voice {
        Vec3 position;
        bool dirty = false;
    };

    void ApplyVoicePosition(int v) {
        if (!voices_[v].dirty) return;
        const Vec3& p = voices_[v].position;
        alSource3f(sources_[v], AL_POSITION, p.x, p.y, p.z);
        voices_[v].dirty = false;
    }

    std::shared_ptr<AlDevice> device_;
    std::vector<ALuint> sources_;
    std::vector<Voice> voices_;
    std::vector<ALuint> buffers_;
    std::vector<ALuint> held_;  // the sources PauseVoices(true) paused
    float distanceFactor_ = 1.0f;
    float listenerGain_ = 1.0f;
    bool gainDirty_ = false;
    float rolloff_ = 1.0f;
    float orientation_[6] = {0, 1, 0, 0, 0, 1};
    Vec3 listenerPosition_;
    bool rolloffDirty_ = false, orientationDirty_ = false, positionDirty_ = false;
};

}  // namespace

std::unique_ptr<SoundBackend> OpenOpenAlSoundBackend(int voiceCount) {
    std::shared_ptr<AlDevice> device = AlDevice::OpenDefault();
    if (!device) return nullptr;
    AlContextScope scope(*device);
    alGetError();
    std::vector<ALuint> sources(static_cast<size_t>(voiceCount));
    alGenSources(voiceCount, sources.data());
    if (alGetError() != AL_NO_ERROR) return nullptr;
    // Inverse distance from one unit on, scaled by the roll-off factor.
    alDistanceModel(AL_INVERSE_DISTANCE_CLAMPED);
    for (ALuint s : sources) {
        alSourcef(s, AL_REFERENCE_DISTANCE, kReferenceDistance);
        alSourcef(s, AL_MAX_DISTANCE, FLT_MAX);
    }
    return std::make_unique<OpenAlSoundBackend>(std::move(device), std::move(sources));
}

}  // namespace tv
