#include "audio/sound_effects.h"

#include <cstdio>
#include <exception>

#include "audio/music_stream.h"
#include "audio/wav_file.h"
#include "common/report.h"
#include "platform/clock.h"
#include "platform/paths.h"

namespace tv {
namespace {

constexpr float kInitialDistanceFactor = 1.0f;
constexpr float kInitialRolloff = 0.005f;

TSample* FindSample(SoundMixer& mixer, int32_t id) {
    for (auto it = mixer.samples.rbegin(); it != mixer.samples.rend(); ++it)
        if (it->id == id) return &*it;
    return nullptr;
}

void ReleaseChannel(SoundMixer& mixer, int32_t index) {
    mixer.backend->ReleaseVoice(index);
    mixer.channels[index].hasBuffer = false;
}

// Starting a channel that holds the sample: position, play, start time.
int32_t StartChannel(SoundMixer& mixer, int32_t index, bool loop, const Vec3& position) {
    TChannel& ch = mixer.channels[index];
    ch.position = position;
    mixer.backend->SetVoicePosition(index, position);
    if (!mixer.backend->PlayVoice(index, loop)) return -1;
    ch.startTime = mixer.clock->TickCount();
    return index;
}

bool IsPlaying(SoundMixer& mixer, int32_t index, bool& statusOk) {
    bool playing = false;
    statusOk = mixer.backend->VoiceStatus(index, playing);
    return statusOk && playing;
}

}  // namespace

bool InitSound(SoundMixer& mixer, Clock& clock) {
    if (mixer.initialised) return false;
    auto backend = OpenOpenAlSoundBackend(kSoundChannelCount);
    if (backend) return InitSound(mixer, clock, std::move(backend));
    // No device: the step fails, but the mixer runs silent so the game can go on without sound.
    InitSound(mixer, clock, MakeSilentSoundBackend(kSoundChannelCount, clock));
    return false;
}

bool InitSound(SoundMixer& mixer, Clock& clock, std::unique_ptr<SoundBackend> backend) {
    if (mixer.initialised || !backend) return false;
    mixer.backend = std::move(backend);
    mixer.clock = &clock;
    mixer.backend->SetDistanceFactor(kInitialDistanceFactor);
    mixer.backend->SetRolloffFactor(kInitialRolloff);
    mixer.backend->SetListenerOrientation({0.0f, 1.0f, 0.0f}, {0.0f, 0.0f, 1.0f});
    mixer.backend->CommitDeferred();
    mixer.samples.clear();
    mixer.lastSampleId = 0;
    mixer.sampleCount = 0;
    mixer.channelCount = kSoundChannelCount;
    mixer.channels.assign(kSoundChannelCount, TChannel{});
    mixer.initialised = true;
    return true;
}

int32_t LoadSample(SoundMixer& mixer, const std::string& path) {
    if (!mixer.initialised) return -1;
    for (auto it = mixer.samples.rbegin(); it != mixer.samples.rend(); ++it) {
        if (it->fileName == path) {
            it->flag = 0;
            return it->id;
        }
    }
    uint32_t buffer = 0;
    try {
        WaveFile wave = ReadWaveFile(ResolvePath(path));
        buffer = mixer.backend->CreateBuffer(wave);
        if (buffer == 0) {
            Report(Error("sound " + ResolvePath(path) + " not loaded: the sound device refused its " +
                         std::to_string(static_cast<unsigned>(wave.Samples.size())) + " bytes of samples"));
            return -1;
        }
    } catch (const std::exception& ex) {
        // The reader's reason names the file, the offset and what is wrong or short there.
        Report(Error(std::string("sound not loaded: ") + ex.what()));
        return -1;
    }
    mixer.lastSampleId += 1;
    mixer.samples.push_back(TSample{mixer.lastSampleId, 0, path, buffer});
    mixer.sampleCount += 1;
    return mixer.lastSampleId;
}

bool FreeSample(SoundMixer& mixer, int32_t id) {
    if (!mixer.initialised) return false;
    TSample* sample = FindSample(mixer, id);
    if (!sample) return false;
    for (int32_t i = 0; i < mixer.channelCount; ++i) {
        TChannel& ch = mixer.channels[i];
        if (ch.sampleId != id) continue;
        if (ch.hasBuffer) ReleaseChannel(mixer, i);
        ch.sampleId = -1;
    }
    mixer.backend->DeleteBuffer(sample->buffer);
    mixer.samples.erase(mixer.samples.begin() + (sample - mixer.samples.data()));
    mixer.sampleCount -= 1;
    return true;
}

int32_t PlaySample(SoundMixer& mixer, int32_t id, bool loop, const Vec3& position) {
    if (!mixer.initialised) return -1;
    TSample* sample = FindSample(mixer, id);
    if (!sample) return -1;

    // A silent channel that already holds this sample starts again.
    for (int32_t i = 0; i < mixer.channelCount; ++i) {
        const TChannel& ch = mixer.channels[i];
        if (!ch.hasBuffer || ch.sampleId != id) continue;
        bool statusOk = false;
        if (!IsPlaying(mixer, i, statusOk) && statusOk) return StartChannel(mixer, i, loop, position);
    }

    int32_t taken = -1;
    for (int32_t i = 0; i < mixer.channelCount && taken < 0; ++i)
        if (!mixer.channels[i].hasBuffer) taken = i;
    if (taken < 0) {
        // Every channel holds a voice: take the first one that has fallen silent.
        for (int32_t i = 0; i < mixer.channelCount && taken < 0; ++i) {
            bool statusOk = false;
            if (!IsPlaying(mixer, i, statusOk)) {
                ReleaseChannel(mixer, i);
                taken = i;
            }
        }
        if (taken < 0) return -1;
    }

    TChannel& ch = mixer.channels[taken];
    ch.sampleId = id;
    if (!mixer.backend->AttachVoice(taken, sample->buffer)) {
        mixer.backend->ReleaseVoice(taken);
        return -1;
    }
    ch.hasBuffer = true;
    return StartChannel(mixer, taken, loop, position);
}

bool IsChannelValid(const SoundMixer& mixer, int32_t index) {
    return mixer.initialised && index >= 0 && index < mixer.channelCount && mixer.channels[index].hasBuffer;
}

bool StopChannel(SoundMixer& mixer, int32_t& handle) {
    if (!IsChannelValid(mixer, handle)) return false;
    if (!mixer.backend->StopVoice(handle)) return false;
    handle = -1;
    return true;
}

bool SetChannelPosition(SoundMixer& mixer, int32_t index, const Vec3& position) {
    if (!IsChannelValid(mixer, index)) return false;
    mixer.channels[index].position = position;
    mixer.backend->SetVoicePosition(index, position);
    return true;
}

void SetListenerPosition(SoundMixer& mixer, const Vec3& position) {
    if (mixer.initialised) mixer.backend->SetListenerPosition(position);
}

void SetEffectsVolume(SoundMixer& mixer, int32_t percent) {
    if (mixer.initialised) mixer.backend->SetListenerGain(GainForMb(MusicVolumeMb(percent)));
}

void SetListenerOrientation(SoundMixer& mixer, const Vec3& front, const Vec3& top) {
    if (mixer.initialised) mixer.backend->SetListenerOrientation(front, top);
}

void PauseSounds(SoundMixer& mixer, bool paused) {
    if (mixer.initialised) mixer.backend->PauseVoices(paused);
}

void UpdateSound(SoundMixer& mixer) {
    if (!mixer.initialised) return;
    mixer.activeChannels = 0;
    mixer.playingChannels = 0;
    const uint32_t now = mixer.clock->TickCount();
    for (int32_t i = 0; i < mixer.channelCount; ++i) {
        TChannel& ch = mixer.channels[i];
        if (!ch.hasBuffer) continue;
        bool statusOk = false;
        if (IsPlaying(mixer, i, statusOk)) {
            mixer.backend->SetVoicePosition(i, ch.position);
            mixer.playingChannels += 1;
            mixer.activeChannels += 1;
        } else if (now - ch.startTime < kChannelReclaimMs) {
            mixer.activeChannels += 1;
        } else {
            ReleaseChannel(mixer, i);  // the sample id stays for the record
        }
    }
    mixer.backend->CommitDeferred();
}

}  // namespace tv
