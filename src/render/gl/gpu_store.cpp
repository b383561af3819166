#include "render/gl/gpu_store.h"

namespace tv {

const Texture& GpuStore::SharedTexture(const std::string& path, uint64_t uses) {
    return *shared_.Get(path, uses);  // the cache keeps it until Release
}

const Texture& GpuStore::NewTexture(const std::string& path) { return AdoptTexture(LoadTexture(path)); }

const Texture& GpuStore::AdoptTexture(Texture texture) {
    static const Texture none;
    if (texture.id() == 0) return none;
    const uint32_t id = texture.id();
    own_.erase(id);
    return own_.emplace(id, std::move(texture)).first->second;
}

void GpuStore::DeleteTexture(uint32_t id) { own_.erase(id); }

uint32_t GpuStore::AdoptBuffer(uint32_t name) {
    if (name != 0) buffers_.try_emplace(name, name);
    return name;
}

void GpuStore::Release() {
    while (!parts_.empty()) parts_.pop_back();
    buffers_.clear();
    own_.clear();
    shared_.Clear();
}

}  // namespace tv
