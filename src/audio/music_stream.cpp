#include "audio/music_stream.h"

#include <algorithm>
#include <chrono>
#include <cmath>

#include "audio/ogg_decoder.h"
#include "platform/paths.h"

namespace tv {

int32_t MusicVolumeMb(int32_t percent) {
    percent = std::clamp(percent, 0, 100);
    if (percent == 0) return -10000;
    // nearbyint rounds halves to even in the default rounding mode.
    return static_cast<int32_t>(std::nearbyint(3322.0 * std::log10(percent / 100.0)));
}

float GainForMb(int32_t mB) { return static_cast<float>(std::pow(10.0, mB / 2000.0)); }

TOGG::TOGG(const MusicDevice& device, const std::string& path) {
    if (!device.initialised) {
        loadStatus_ = Error("no music device");
        return;
    }
    if (path.empty()) {
        loadStatus_ = Error("no file named");
        return;
    }
    std::unique_ptr<OggDecoder> decoder = OggDecoder::Open(ResolvePath(path), &loadStatus_);
    if (!decoder) return;
    output_ = device.CreateOutput(decoder->Channels(), decoder->Rate());
    if (!output_) {
        loadStatus_ = Error("the music device cannot play " + std::to_string(decoder->Channels()) +
                            " channels at " + std::to_string(decoder->Rate()) + " Hz");
        return;
    }
    source_ = std::move(decoder);
    loaded_ = true;
    SetVolume(100);
}

TOGG::TOGG(std::unique_ptr<PcmSource> source, std::unique_ptr<MusicOutput> output)
    : source_(std::move(source)), output_(std::move(output)) {
    if (!source_ || !output_) {
        loadStatus_ = Error(source_ ? "no music output" : "no music source");
        return;
    }
    loaded_ = true;
    SetVolume(100);
}

TOGG::~TOGG() {
    if (loaded_) Stop();
}

void TOGG::SetVolume(int32_t percent) {
    if (!loaded_) return;
    volumeMb_ = MusicVolumeMb(percent);
    std::lock_guard lock(mutex_);
    output_->SetGain(GainForMb(volumeMb_));
}

void TOGG::Play(bool loop) {
    if (!loaded_) return;
    if (IsPlaying()) Stop();
    std::lock_guard lock(mutex_);
    if (needsRewind_) {
        needsRewind_ = false;
        finished_ = false;
        source_->Rewind();
    }
    looping_ = loop;
    // Prefill the whole ring before anything plays.
    ring_.Reset();
    ring_.Refill(*source_, *output_, looping_, finished_);
    output_->Play();
    stopRequested_ = false;
    playing_ = true;
    thread_ = std::thread(&TOGG::RefillThread, this);
}

void TOGG::Stop() {
    if (!loaded_) return;
    StopThread();
    std::lock_guard lock(mutex_);
    output_->Stop();
    ring_.Reset();
    playing_ = false;
    paused_ = false;
    needsRewind_ = true;
    finished_ = true;
}

void TOGG::Pause(bool paused) {
    if (!loaded_ || !playing_) return;
    std::lock_guard lock(mutex_);
    if (paused == paused_) return;
    paused_ = paused;
    if (paused) output_->Pause();
    else output_->Play();
}

bool TOGG::IsPlaying() const { return loaded_ && playing_; }

uint32_t TOGG::PlayPosition() {
    if (!loaded_) return 0;
    std::lock_guard lock(mutex_);
    return ring_.PlayCursor(*output_);
}

uint64_t TOGG::PlayedBytes() {
    if (!loaded_) return 0;
    std::lock_guard lock(mutex_);
    return ring_.PlayedBytes(*output_);
}

void TOGG::RefillPass() {
    if (!loaded_) return;
    std::lock_guard lock(mutex_);
    ring_.Refill(*source_, *output_, looping_, finished_);
    // The ring never stops by itself: a source that ran dry while the thread was held up
    // plays on from what is queued now.
    if (playing_ && !paused_ && !output_->IsPlaying()) output_->Play();
}

void TOGG::RefillThread() {
    std::unique_lock lock(mutex_);
    while (!stopRequested_) {
        wake_.wait_for(lock, std::chrono::milliseconds(kMusicRefillMs), [this] { return stopRequested_; });
        if (stopRequested_) break;
        lock.unlock();
        RefillPass();
        lock.lock();
    }
}

void TOGG::StopThread() {
    {
        std::lock_guard lock(mutex_);
        stopRequested_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
}

}  // namespace tv
