#pragma once
// The renderer's GPU objects: every texture, buffer and program the game makes in its GL
// context lives here, and they all go together in Release (or the destructor), which the
// owner calls while that context is still current. The simulation's records keep only ids
// (a texture's or buffer's GL name, 0 for none) and CPU data; drawing reads the ids.
//
// A run without GL (headless) makes no store: a loader handed none keeps what the game
// simulates and makes no GPU object, and the ids it leaves are 0.

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <typeindex>
#include <utility>
#include <vector>

#include "common/memory_budget.h"
#include "render/gl/gl_handles.h"
#include "render/gl/texture.h"

namespace tv {

class GpuStore {
  public:
    GpuStore() = default;
    ~GpuStore() { Release(); }
    GpuStore(const GpuStore&) = delete;
    GpuStore& operator=(const GpuStore&) = delete;

    // The texture of the file `path` resolves to, shared by every asker: decoded and uploaded
    // once, a failure reported once (`uses` as in TextureCache::Get).
    const Texture& SharedTexture(const std::string& path, uint64_t uses = 1);
    // A texture of the asker's own (LoadTexture), kept until DeleteTexture or Release.
    const Texture& NewTexture(const std::string& path);
    // Takes over a texture made elsewhere (LoadTextureFromImage).
    const Texture& AdoptTexture(Texture texture);
    // Deletes a texture NewTexture or AdoptTexture made; other ids (0, shared) are left alone.
    void DeleteTexture(uint32_t id);
    // Takes over a buffer name (0 is ignored) and returns it.
    uint32_t AdoptBuffer(uint32_t name);

    int Loads() const { return shared_.Loads(); }  // files SharedTexture loaded
    // What SharedTexture loads from now on is charged to `budget` (may be null).
    void SetBudget(StartupBudget* budget) { shared_.SetBudget(budget); }
    size_t OwnTextureCount() const { return own_.size(); }
    size_t BufferCount() const { return buffers_.size(); }

    // The one T of this store, made on first ask: where the GL halves above this library keep
    // their per-context objects (the skinning program, the emitters' program). T's destructor
    // deletes its GL objects; Release destroys the parts first, newest first.
    template <class T>
    T& Part() {
        for (auto& [type, part] : parts_)
            if (type == std::type_index(typeid(T))) return *static_cast<T*>(part.get());
        auto part = std::make_shared<T>();
        T& ref = *part;
        parts_.emplace_back(std::type_index(typeid(T)), std::move(part));
        return ref;
    }

    // Deletes everything: the parts, the buffers, then the textures. The context the objects
    // were made in must be current. The store is empty and usable afterwards.
    void Release();

  private:
    std::vector<std::pair<std::type_index, std::shared_ptr<void>>> parts_;
    std::map<uint32_t, GlBuffer> buffers_;
    std::map<uint32_t, Texture> own_;
    TextureCache shared_;
};

}  // namespace tv
