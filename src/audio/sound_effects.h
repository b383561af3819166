#pragma once
// The sound-effect mixer: samples loaded once from .wav files, played as positional voices
// through a fixed table of 32 channels, one listener that follows the camera, and channels
// reclaimed once they have been silent for a while. All calls run on the main thread.
//
// A channel handle is the channel's index (0..31) or -1 for none. Sample ids start at 1 and
// are never reused. Positions are world units, z up; the listener's right is front x top, so
// a sound is heard on the side of the screen it is drawn on.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "audio/sound_backend.h"
#include "math/vec3.h"

namespace tv {

class Clock;

inline constexpr int32_t kSoundChannelCount = 32;
// A silent channel is kept this long after its start for reuse by the same sample.
inline constexpr uint32_t kChannelReclaimMs = 3001;

struct TSample {
    int32_t id = 0;
    uint8_t flag = 0;        // 0 when loaded or asked for again; nothing reads it
    std::string fileName;    // the path as given to LoadSample; finds an already loaded sample
    uint32_t buffer = 0;     // the back-end's buffer holding the whole PCM data
};

struct TChannel {
    int32_t sampleId = 0;    // -1 after the channel was stopped by its sample being freed
    uint32_t startTime = 0;  // ms tick count when last started
    Vec3 position;           // as given when started
    bool hasBuffer = false;  // false: the channel is empty
};

// The one mixer; the Game holds it. Every operation but InitSound does nothing (or fails)
// until InitSound has run (on the silent back-end when there is no device).
struct SoundMixer {
    bool initialised = false;
    std::unique_ptr<SoundBackend> backend;
    Clock* clock = nullptr;         // channel ages; not owned
    std::vector<TSample> samples;   // oldest first; searched newest first
    int32_t lastSampleId = 0;
    int32_t sampleCount = 0;
    int32_t channelCount = kSoundChannelCount;
    std::vector<TChannel> channels;
    int32_t activeChannels = 0;     // counted by every UpdateSound
    int32_t playingChannels = 0;    // counted by every UpdateSound
};

// Opens the default output device. With no device the mixer runs on the silent back-end, so
// the game plays on without sound, and the result is false (the device failed). False too if
// already initialised.
bool InitSound(SoundMixer& mixer, Clock& clock);
// The same on a given back-end (tests, or a forced silent run). False if already
// initialised or the back-end is absent.
bool InitSound(SoundMixer& mixer, Clock& clock, std::unique_ptr<SoundBackend> backend);

// The id of the sample loaded from path (exact, case-sensitive comparison), loading it if
// needed; -1 when not initialised or the file cannot be loaded (one stderr line says why:
// missing, not RIFF/WAVE, shorter than its data size, ...).
int32_t LoadSample(SoundMixer& mixer, const std::string& path);
// Releases the sample and every channel that plays it. False when not initialised or no
// sample has this id.
bool FreeSample(SoundMixer& mixer, int32_t id);

// Starts sample id at position, looping or once. Returns the channel index, or -1 when not
// initialised, no sample has the id, every channel is playing, or the device refuses.
int32_t PlaySample(SoundMixer& mixer, int32_t id, bool loop, const Vec3& position);
// Stops a valid channel, rewinds it and sets handle to -1; false (handle untouched) when the
// handle is not a channel holding a voice.
bool StopChannel(SoundMixer& mixer, int32_t& handle);
bool IsChannelValid(const SoundMixer& mixer, int32_t index);
// Moves a playing channel (deferred until UpdateSound). False when not a valid channel.
bool SetChannelPosition(SoundMixer& mixer, int32_t index, const Vec3& position);

// Deferred listener changes, applied by the next UpdateSound.
void SetListenerPosition(SoundMixer& mixer, const Vec3& position);
void SetListenerOrientation(SoundMixer& mixer, const Vec3& front, const Vec3& top);
// The player's effects volume in percent (clamped to 0..100), on the same curve as the
// music's volume; deferred like the listener.
void SetEffectsVolume(SoundMixer& mixer, int32_t percent);
// Holds every playing sound where it is (true) or lets them go on (false), for the pause.
void PauseSounds(SoundMixer& mixer, bool paused);

// Once per frame: re-positions the playing channels, counts active and playing channels,
// empties channels silent for kChannelReclaimMs after their start, commits the deferred
// listener and voice changes.
void UpdateSound(SoundMixer& mixer);

}  // namespace tv
