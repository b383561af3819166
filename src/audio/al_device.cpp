#include "audio/al_device.h"

#include <AL/alext.h>

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

}  // namespace

std::shared_ptr<AlDevice> AlDevice::OpenDefault() {
    ALCdevice* device = alcOpenDevice(nullptr);
    if (!device) return nullptr;
    ALCcontext* context = alcCreateContext(device, nullptr);
    if (!context) {
        alcCloseDevice(device);
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
