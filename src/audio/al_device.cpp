#include "audio/al_device.h"

#include <AL/alext.h>
#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>

#include "common/report.h"

namespace tv {
namespace {

using SetThreadContextFn = ALCboolean(ALC_APIENTRY*)(ALCcontext*);
using GetThreadContextFn = ALCcontext*(ALC_APIENTRY*)();

struct ThreadContextFns {
    SetThreadContextFn set = nullptr;
    GetThreadContextFn get = nullptr;
};

ThreadContextFns LookUpThreadContextFns() {
    ThreadContextFns f;
    if (alcIsExtensionPresent(nullptr, "ALC_EXT_thread_local_context")) {
        f.set = reinterpret_cast<SetThreadContextFn>(alcGetProcAddress(nullptr, "alcSetThreadContext"));
        f.get = reinterpret_cast<GetThreadContextFn>(alcGetProcAddress(nullptr, "alcGetThreadContext"));
    }
    if (!f.set || !f.get) f = {};
    return f;
}

// Looked up once; the entry points never change while the library is loaded.
const ThreadContextFns& ThreadContextEntryPoints() {
    static const ThreadContextFns fns = LookUpThreadContextFns();
    return fns;
}

// Points stderr at /dev/null for its lifetime. Opening a device walks every back-end
// (PulseAudio, ALSA, JACK, OSS), and on a machine without a sound card each one complains on
// stderr in its own words; none of that helps the player.
class QuietStderr {
public:
    QuietStderr() {
        std::fflush(stderr);
        saved_ = dup(STDERR_FILENO);
        const int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (saved_ >= 0 && null >= 0) dup2(null, STDERR_FILENO);
        if (null >= 0) close(null);
    }
    ~QuietStderr() {
        std::fflush(stderr);
        if (saved_ >= 0) {
            dup2(saved_, STDERR_FILENO);
            close(saved_);
        }
    }
    QuietStderr(const QuietStderr&) = delete;
    QuietStderr& operator=(const QuietStderr&) = delete;

private:
    int saved_ = -1;
};

void ReportNoDevice() {
    static std::atomic<bool> reported{false};
    if (!reported.exchange(true)) Warn("no audio device: playing silent");
}

}  // namespace

std::shared_ptr<AlDevice> AlDevice::OpenDefault() {
    // The library's own log is for its developers; a player's own setting is kept.
    setenv("ALSOFT_LOGLEVEL", "0", 0);
    ALCdevice* device = nullptr;
    ALCcontext* context = nullptr;
    {
        QuietStderr quiet;
        device = alcOpenDevice(nullptr);
        if (device) context = alcCreateContext(device, nullptr);
    }
    if (!device) {
        ReportNoDevice();
        return nullptr;
    }
    if (!context) {
        alcCloseDevice(device);
        ReportNoDevice();
        return nullptr;
    }
    std::shared_ptr<AlDevice> d(new AlDevice());
    d->device_ = device;
    d->context_ = context;
    AlContextScope scope(*d);
    if (alIsExtensionPresent("AL_SOFT_deferred_updates")) {
        d->deferUpdates_ = reinterpret_cast<void (*)()>(alGetProcAddress("alDeferUpdatesSOFT"));
        d->processUpdates_ = reinterpret_cast<void (*)()>(alGetProcAddress("alProcessUpdatesSOFT"));
        if (!d->deferUpdates_ || !d->processUpdates_) d->deferUpdates_ = d->processUpdates_ = nullptr;
    }
    return d;
}

AlDevice::~AlDevice() {
    const ThreadContextFns& f = ThreadContextEntryPoints();
    if (f.get && f.get() == context_) f.set(nullptr);
    if (alcGetCurrentContext() == context_) alcMakeContextCurrent(nullptr);
    alcDestroyContext(context_);
    alcCloseDevice(device_);
}

void AlDevice::DeferUpdates() const {
    if (deferUpdates_) deferUpdates_();
}

void AlDevice::ProcessUpdates() const {
    if (processUpdates_) processUpdates_();
}

AlContextScope::AlContextScope(const AlDevice& device) {
    const ThreadContextFns& f = ThreadContextEntryPoints();
    if (f.set) {
        threadLocal_ = true;
        previous_ = f.get();
        f.set(device.Context());
    } else {
        previous_ = alcGetCurrentContext();
        alcMakeContextCurrent(device.Context());
    }
}

AlContextScope::~AlContextScope() {
    if (threadLocal_) {
        ThreadContextEntryPoints().set(previous_);
    } else {
        alcMakeContextCurrent(previous_);
    }
}

}  // namespace tv
