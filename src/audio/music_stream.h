#pragma once
// Background music: an Ogg Vorbis file decoded into the 65,536-byte ring of the music's own
// device, refilled by a worker thread every 100 ms. The main thread creates, plays, stops and
// destroys it; the refill thread shares only this object.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "audio/music_output.h"
#include "audio/music_ring.h"
#include "common/error.h"

namespace tv {

inline constexpr uint32_t kMusicRefillMs = 100;

// Volume in hundredths of a decibel for a percentage (clamped to 0..100): -10000 for 0,
// otherwise 3322 x log10(percent / 100) rounded half to even.
int32_t MusicVolumeMb(int32_t percent);
// The amplitude gain for a volume in hundredths of a decibel: 10^(mB / 2000).
float GainForMb(int32_t mB);

class TOGG {
public:
    // Create: needs an initialised device and a non-empty path; otherwise, or when the file
    // is missing or not Ogg Vorbis, the object stays not loaded and every method does nothing.
    TOGG(const MusicDevice& device, const std::string& path);
    // The same on a given source and output (tests).
    TOGG(std::unique_ptr<PcmSource> source, std::unique_ptr<MusicOutput> output);
    ~TOGG();  // Destroy: stops and frees everything
    TOGG(const TOGG&) = delete;
    TOGG& operator=(const TOGG&) = delete;

    bool loaded() const { return loaded_; }
    // Why the object is not loaded (a reason() of "no music device", "cannot open: <reason>",
    // "not a readable Ogg Vorbis file", ...); ok once loaded.
    const Status& load_status() const { return loadStatus_; }
    void SetVolume(int32_t percent);
    int32_t VolumeMb() const { return volumeMb_; }
    // Starts from the beginning (after a Stop, or stopping a playing stream first); at the
    // end of the stream a looping one goes on from its first sample.
    void Play(bool loop);
    void Stop();
    // Pause(true) holds the music where it is (the play position stops moving); Pause(false)
    // goes on from there. Nothing while not playing.
    void Pause(bool paused);
    bool IsPlaying() const;
    bool finished() const { return finished_; }

    uint32_t PlayPosition();  // the play cursor in the ring, 0..65535
    uint64_t PlayedBytes();   // since the last Play

    // One refill pass, as the thread runs it every 100 ms. Tests drive it directly.
    void RefillPass();

private:
    void RefillThread();
    void StopThread();

    bool loaded_ = false;
    Status loadStatus_;
    bool looping_ = false;
    bool needsRewind_ = false;
    bool finished_ = false;
    bool paused_ = false;  // guarded by mutex_
    std::unique_ptr<PcmSource> source_;
    std::unique_ptr<MusicOutput> output_;
    MusicRing ring_;
    int32_t volumeMb_ = 0;

    std::mutex mutex_;  // the ring, source and output, between the refill thread and the rest
    std::condition_variable wake_;
    bool stopRequested_ = false;
    std::atomic<bool> playing_{false};
    std::thread thread_;
};

}  // namespace tv
