#pragma once
// What the effect mixer needs from an output device: buffers that hold a sample's PCM once,
// one positional voice per channel that plays such a buffer from its own cursor, and one
// listener whose settings are deferred until committed.

#include <cstdint>
#include <memory>

#include "math/vec3.h"

namespace tv {

class Clock;
struct WaveFile;

class SoundBackend {
public:
    virtual ~SoundBackend() = default;

    // A buffer holding the whole PCM data; 0 when the device refuses the format.
    virtual uint32_t CreateBuffer(const WaveFile& wave) = 0;
    // Only called once no voice holds the buffer.
    virtual void DeleteBuffer(uint32_t buffer) = 0;

    // Voice v (0..voiceCount-1) takes the buffer with its cursor at 0; false if refused.
    virtual bool AttachVoice(int v, uint32_t buffer) = 0;
    // Stops voice v and lets go of its buffer.
    virtual void ReleaseVoice(int v) = 0;
    // False when the status cannot be read.
    virtual bool VoiceStatus(int v, bool& playing) = 0;
    // Plays from the voice's cursor (from the start after it ran out or was stopped).
    virtual bool PlayVoice(int v, bool loop) = 0;
    // Stops the voice and puts its cursor at 0.
    virtual bool StopVoice(int v) = 0;
    virtual void SetVoicePosition(int v, const Vec3& position) = 0;  // deferred
    // Holds every playing voice where it is (true), or lets the held ones go on (false).
    virtual void PauseVoices(bool paused) = 0;

    // Listener settings, all deferred.
    virtual void SetDistanceFactor(float metresPerUnit) = 0;
    virtual void SetRolloffFactor(float rolloff) = 0;
    virtual void SetListenerOrientation(const Vec3& front, const Vec3& top) = 0;
    virtual void SetListenerPosition(const Vec3& position) = 0;
    // The amplitude of everything the listener hears (the player's effects volume), 1 = full.
    virtual void SetListenerGain(float gain) = 0;
    virtual void CommitDeferred() = 0;
};

// The default output device through OpenAL with voiceCount voices; null when no device or
// context can be had.
std::unique_ptr<SoundBackend> OpenOpenAlSoundBackend(int voiceCount);

// Plays nothing but keeps each voice's playing state by the clock: a voice started once
// plays for its buffer's length, a looping one until stopped.
std::unique_ptr<SoundBackend> MakeSilentSoundBackend(int voiceCount, Clock& clock);

}  // namespace tv
