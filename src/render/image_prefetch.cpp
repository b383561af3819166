#include "render/image_prefetch.h"

#include <atomic>
#include <exception>

#include "common/binary_io.h"
#include "platform/paths.h"

namespace tv {
namespace {
std::atomic<ImagePrefetch*> g_installed{nullptr};

// The path resolved; false, with the reason as a failed image, when it cannot be.
bool Resolve(const std::string& path, std::string& resolved, PrefetchedImage& failed) {
    try {
        resolved = ResolvePath(path);
        return true;
    } catch (const std::exception& e) {
        failed = {{}, AsError(e)};
        return false;
    }
}
}  // namespace

PrefetchedImage ImagePrefetch::DecodeResolved(const std::string& resolved) {
    PrefetchedImage out;
    try {
        const std::vector<uint8_t> bytes = ReadWholeFile(resolved);
        out.image = DecodeImage(resolved, bytes.data(), bytes.size());
    } catch (const std::exception& e) {
        out.status = AsError(e);
    }
    return out;
}

PrefetchedImage ImagePrefetch::ReadAndDecode(const std::string& path) {
    std::string resolved;
    PrefetchedImage failed;
    if (!Resolve(path, resolved, failed)) return failed;
    return DecodeResolved(resolved);
}

ImagePrefetch::ImagePrefetch(const std::vector<std::string>& paths) {
    for (const std::string& p : paths) {
        std::string resolved;
        PrefetchedImage failed;
        if (!Resolve(p, resolved, failed)) continue;  // Get reports it when the file is asked for
        if (entries_.emplace(resolved, Entry{}).second) order_.push_back(std::move(resolved));
    }
    thread_ = std::thread([this] { Run(); });
}

ImagePrefetch::~ImagePrefetch() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    thread_.join();
}

int ImagePrefetch::Decodes() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return decodes_;
}

void ImagePrefetch::Run() {
    for (const std::string& resolved : order_) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (stop_) break;
            Entry& e = entries_[resolved];
            if (e.started) continue;  // asked for before the thread came to it
            e.started = true;
            ++decodes_;
        }
        PrefetchedImage image = DecodeResolved(resolved);
        std::lock_guard<std::mutex> lock(mutex_);
        entries_[resolved].image = std::move(image);
        done_.notify_all();
    }
}

PrefetchedImage ImagePrefetch::Get(const std::string& path) {
    std::string resolved;
    PrefetchedImage failed;
    if (!Resolve(path, resolved, failed)) return failed;
    std::unique_lock<std::mutex> lock(mutex_);
    Entry& e = entries_[resolved];  // map nodes stay put while others are added
    if (!e.started) {
        e.started = true;
        ++decodes_;
        lock.unlock();
        PrefetchedImage image = DecodeResolved(resolved);
        lock.lock();
        e.image = std::move(image);
        done_.notify_all();
    } else {
        done_.wait(lock, [&] { return e.image.has_value(); });
    }
    PrefetchedImage out = *e.image;
    if (!out.status.ok()) {
        out.failureSeen = e.failureHandedOut;
        e.failureHandedOut = true;
    }
    return out;
}

ScopedImagePrefetch::ScopedImagePrefetch(ImagePrefetch& prefetch) { g_installed = &prefetch; }
ScopedImagePrefetch::~ScopedImagePrefetch() { g_installed = nullptr; }

PrefetchedImage ReadAndDecodeImage(const std::string& path) {
    ImagePrefetch* p = g_installed;
    return p ? p->Get(path) : ImagePrefetch::ReadAndDecode(path);
}

}  // namespace tv
