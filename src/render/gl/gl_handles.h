#pragma once
// Small owners for GL object names. Each deletes its name when it goes away, directly through
// GL, so it must go while the context the name was made in is current. Only the GL half keeps
// them: the renderer's store (render/gl/gpu_store.h) holds every one the game makes and lets
// them go together while the context is still current.

#include <cstdint>
#include <utility>

namespace tv {

namespace detail {
enum class GlNameKind { Buffer, Texture, Program };
// Deletes the name in the current context (gl_handles.cpp).
void DeleteGlName(GlNameKind kind, uint32_t name);
}  // namespace detail

template <detail::GlNameKind Kind>
class GlName {
public:
    GlName() = default;
    explicit GlName(uint32_t name) : name_(name) {}
    ~GlName() { Reset(); }
    GlName(const GlName&) = delete;
    GlName& operator=(const GlName&) = delete;
    GlName(GlName&& other) noexcept : name_(std::exchange(other.name_, 0u)) {}
    GlName& operator=(GlName&& other) noexcept {
        if (this != &other) {
            Reset();
            name_ = std::exchange(other.name_, 0u);
        }
        return *this;
    }
    uint32_t Get() const { return name_; }
    // Gives up ownership without deleting.
    uint32_t Release() { return std::exchange(name_, 0u); }
    // Deletes the name held, if any.
    void Reset() {
        if (name_ != 0) detail::DeleteGlName(Kind, name_);
        name_ = 0;
    }
    // Deletes the name held and adopts `name`.
    void Reset(uint32_t name) {
        Reset();
        name_ = name;
    }

private:
    uint32_t name_ = 0;
};

using GlBuffer = GlName<detail::GlNameKind::Buffer>;
using GlTexture = GlName<detail::GlNameKind::Texture>;
// A program made by BuildShaderProgram (render/gl/shader_program.h); its shaders go with it.
using GlProgram = GlName<detail::GlNameKind::Program>;

}  // namespace tv
