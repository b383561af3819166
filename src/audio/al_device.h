#pragma once
// An OpenAL output device with its one context. The effects and the music each open their
// own, so every call into OpenAL first makes its device's context current for the calling
// thread (AlContextScope) and puts the previous one back afterwards.

#include <AL/al.h>
#include <AL/alc.h>

#include <memory>

namespace tv {

class AlDevice {
public:
    // The default output device; null when none can be opened or it gives no context. What
    // the sound libraries print while looking for a device is kept off stderr; the first
    // failure in a run prints one line saying the game plays silent instead.
    static std::shared_ptr<AlDevice> OpenDefault();
    ~AlDevice();
    AlDevice(const AlDevice&) = delete;
    AlDevice& operator=(const AlDevice&) = delete;

    ALCdevice* Device() const { return device_; }
    ALCcontext* Context() const { return context_; }
    bool HasDeferredUpdates() const { return deferUpdates_ != nullptr; }
    void DeferUpdates() const;    // call with the context current
    void ProcessUpdates() const;  // call with the context current

private:
    AlDevice() = default;
    ALCdevice* device_ = nullptr;
    ALCcontext* context_ = nullptr;
    void (*deferUpdates_)() = nullptr;
    void (*processUpdates_)() = nullptr;
};

// Makes the device's context current on this thread for the scope.
class AlContextScope {
public:
    explicit AlContextScope(const AlDevice& device);
    ~AlContextScope();
    AlContextScope(const AlContextScope&) = delete;
    AlContextScope& operator=(const AlContextScope&) = delete;

private:
    ALCcontext* previous_ = nullptr;
    bool threadLocal_ = false;
};

}  // namespace tv
