#pragma once
// The music's own output device and what plays its ring: a queue of equal segments of 16-bit
// PCM that the device plays in order and hands back once played.

#include <cstddef>
#include <cstdint>
#include <memory>

namespace tv {

class AlDevice;

class MusicOutput {
public:
    virtual ~MusicOutput() = default;
    // Segments played to their end since the last call; they leave the queue.
    virtual size_t TakePlayedSegments() = 0;
    // Appends a copy of the bytes to the queue; false if the device refuses.
    virtual bool QueueSegment(const uint8_t* data, size_t bytes) = 0;
    // Plays the queue from its head; a queue that ran dry starts again.
    virtual void Play() = 0;
    // Stops and empties the queue.
    virtual void Stop() = 0;
    // Holds the play position where it is, queue kept; Play goes on from there.
    virtual void Pause() = 0;
    virtual bool IsPlaying() = 0;
    // How far the play position is past the start of the oldest queued segment, in bytes.
    virtual uint32_t BytesIntoQueue() = 0;
    virtual void SetGain(float gain) = 0;
};

// The music device: its own OpenAL device and context, or silence when there is none.
struct MusicDevice {
    bool initialised = false;
    std::shared_ptr<AlDevice> al;  // null: the silent output stands in

    // An output for 16-bit PCM with 1 or 2 channels at rate Hz; null for other layouts or
    // when the device refuses.
    std::unique_ptr<MusicOutput> CreateOutput(int channels, int rate) const;
};

// Opens the default device once. True when it is open; with no device, false and the device
// stays not initialised, so a TOGG made on it stays not loaded. (A device set initialised by
// hand with no OpenAL device plays silent: the play position still moves at the stream's rate.)
bool OpenMusicDevice(MusicDevice& device);

std::unique_ptr<MusicOutput> MakeOpenAlMusicOutput(std::shared_ptr<AlDevice> device, int channels, int rate);
std::unique_ptr<MusicOutput> MakeSilentMusicOutput(int channels, int rate);

}  // namespace tv
