#include "audio/music_output.h"

#include <AL/al.h>

#include <chrono>
#include <deque>
#include <vector>

#include "audio/al_device.h"

namespace tv {
namespace {

constexpr int kAlBuffers = 16;  // more than the ring has segments

// A streaming OpenAL source fed from a small pool of buffers.
class OpenAlMusicOutput final : public MusicOutput {
public:
    OpenAlMusicOutput(std::shared_ptr<AlDevice> device, ALenum format, int rate, ALuint source,
                      std::vector<ALuint> buffers)
        : device_(std::move(device)), format_(format), rate_(rate), source_(source), all_(buffers),
          free_(std::move(buffers)) {}

    ~OpenAlMusicOutput() override {
        AlContextScope scope(*device_);
        alSourceStop(source_);
        alSourcei(source_, AL_BUFFER, 0);
        alDeleteSources(1, &source_);
        alDeleteBuffers(static_cast<ALsizei>(all_.size()), all_.data());
    }

    size_t TakePlayedSegments() override {
        AlContextScope scope(*device_);
        ALint processed = 0;
        alGetSourcei(source_, AL_BUFFERS_PROCESSED, &processed);
        for (ALint i = 0; i < processed; ++i) {
            ALuint b = 0;
            alSourceUnqueueBuffers(source_, 1, &b);
            free_.push_back(b);
        }
        return static_cast<size_t>(processed);
    }

    bool QueueSegment(const uint8_t* data, size_t bytes) override {
        if (free_.empty()) return false;
        AlContextScope scope(*device_);
        alGetError();
        ALuint b = free_.back();
        alBufferData(b, format_, data, static_cast<ALsizei>(bytes), rate_);
        alSourceQueueBuffers(source_, 1, &b);
        if (alGetError() != AL_NO_ERROR) return false;
        free_.pop_back();
        return true;
    }

    void Play() override {
        AlContextScope scope(*device_);
        ALint state = AL_STOPPED;
        alGetSourcei(source_, AL_SOURCE_STATE, &state);
        // A source that ran dry starts again from the head of what is queued now.
        if (state != AL_PLAYING) alSourcePlay(source_);
    }

    void Stop() override {
        AlContextScope scope(*device_);
        alSourceStop(source_);
        alSourcei(source_, AL_BUFFER, 0);  // detaches the whole queue
        free_ = all_;
    }

    void Pause() override {
        AlContextScope scope(*device_);
        alSourcePause(source_);
    }

    bool IsPlaying() override {
        AlContextScope scope(*device_);
        ALint state = AL_STOPPED;
        alGetSourcei(source_, AL_SOURCE_STATE, &state);
        return state == AL_PLAYING;
    }

    uint32_t BytesIntoQueue() override {
        AlContextScope scope(*device_);
        ALint offset = 0;
        alGetSourcei(source_, AL_BYTE_OFFSET, &offset);
        return offset > 0 ? static_cast<uint32_t>(offset) : 0u;
    }

    void SetGain(float gain) override {
        AlContextScope scope(*device_);
        alSourcef(source_, AL_GAIN, gain);
    }

private:
    std::shared_ptr<AlDevice> device_;
    ALenum format_;
    ALsizei rate_;
    ALuint source_;
    std::vector<ALuint> all_;
    std::vector<ALuint> free_;
};

// Plays nothing, but hands segments back at the stream's real rate, as a device would.
class SilentMusicOutput final : public MusicOutput {
public:
    explicit SilentMusicOutput(double bytesPerSecond) : bytesPerSecond_(bytesPerSecond) {}

    size_t TakePlayedSegments() override {
        Advance();
        size_t n = played_;
        played_ = 0;
        return n;
    }
    bool QueueSegment(const uint8_t*, size_t bytes) override {
        queue_.push_back(bytes);
        return true;
    }
    void Play() override {
        Advance();
        if (playing_ || queue_.empty()) return;
        playing_ = true;
        start_ = Clock::now();
        consumedBefore_ = -static_cast<double>(pausedInHead_);
        intoHead_ = pausedInHead_;
        pausedInHead_ = 0;
    }
    void Pause() override {
        Advance();
        if (!playing_) return;
        // Play starts the clock afresh; what was consumed of the head segment stays counted.
        playing_ = false;
        pausedInHead_ = intoHead_;
    }
    void Stop() override {
        playing_ = false;
        pausedInHead_ = 0;
        queue_.clear();
        played_ = 0;
        intoHead_ = 0;
    }
    bool IsPlaying() override {
        Advance();
        return playing_;
    }
    uint32_t BytesIntoQueue() override {
        Advance();
        return static_cast<uint32_t>(intoHead_);
    }
    void SetGain(float) override {}

private:
    using Clock = std::chrono::steady_clock;

    void Advance() {
        if (!playing_) return;
        const double seconds = std::chrono::duration<double>(Clock::now() - start_).count();
        size_t consumed = static_cast<size_t>(seconds * bytesPerSecond_ - consumedBefore_);
        while (!queue_.empty() && consumed >= queue_.front()) {
            consumed -= queue_.front();
            consumedBefore_ += static_cast<double>(queue_.front());
            queue_.pop_front();
            ++played_;
        }
        intoHead_ = queue_.empty() ? 0 : consumed;
        if (queue_.empty()) playing_ = false;  // ran dry, like a real source
    }

    double bytesPerSecond_;
    std::deque<size_t> queue_;
    bool playing_ = false;
    Clock::time_point start_;
    double consumedBefore_ = 0.0;
    size_t played_ = 0;
    size_t intoHead_ = 0;
    size_t pausedInHead_ = 0;  // bytes of the head segment played before a pause
};

}  // namespace

std::unique_ptr<MusicOutput> MakeOpenAlMusicOutput(std::shared_ptr<AlDevice> device, int channels, int rate) {
    if (!device || rate <= 0 || (channels != 1 && channels != 2)) return nullptr;
    AlContextScope scope(*device);
    alGetError();
    ALuint source = 0;
    alGenSources(1, &source);
    if (alGetError() != AL_NO_ERROR) return nullptr;
    std::vector<ALuint> buffers(kAlBuffers);
    alGenBuffers(kAlBuffers, buffers.data());
    if (alGetError() != AL_NO_ERROR) {
        alDeleteSources(1, &source);
        return nullptr;
    }
    // Music is not positional: it stays at the listener.
    alSourcei(source, AL_SOURCE_RELATIVE, AL_TRUE);
    alSource3f(source, AL_POSITION, 0.0f, 0.0f, 0.0f);
    alSourcef(source, AL_ROLLOFF_FACTOR, 0.0f);
    const ALenum format = channels == 1 ? AL_FORMAT_MONO16 : AL_FORMAT_STEREO16;
    return std::make_unique<OpenAlMusicOutput>(std::move(device), format, rate, source, std::move(buffers));
}

std::unique_ptr<MusicOutput> MakeSilentMusicOutput(int channels, int rate) {
    if (rate <= 0 || (channels != 1 && channels != 2)) return nullptr;
    return std::make_unique<SilentMusicOutput>(static_cast<double>(rate) * channels * 2);
}

std::unique_ptr<MusicOutput> MusicDevice::CreateOutput(int channels, int rate) const {
    if (!initialised) return nullptr;
    if (al) return MakeOpenAlMusicOutput(al, channels, rate);
    return MakeSilentMusicOutput(channels, rate);  // a device made by hand without OpenAL
}

bool OpenMusicDevice(MusicDevice& device) {
    // Without a device the flag stays down: the music is then not loaded, and the game plays
    // on without it.
    if (!device.initialised) {
        device.al = AlDevice::OpenDefault();
        device.initialised = device.al != nullptr;
    }
    return device.initialised;
}

}  // namespace tv
