#pragma once
// Small owners for GL object names. Each deletes its name when it goes away, in the context
// that is current then, which should be the one the name was made in. With no current context
// nothing is deleted: the names went with their context (the game deletes its context before
// the Game object and its models go away).
//
// Holding, moving and dropping an owner needs no GL: simulation code may keep owners in its
// records without linking GL. Only adopting a name (the constructor taking one, Reset(name))
// belongs to the GL layer, which then also says how its names are deleted.

#include <cstdint>
#include <utility>

namespace tv {

// True when this thread has a current GL context (GLX or EGL).
bool GlContextIsCurrent();

namespace detail {
enum class GlNameKind { Buffer, Texture, Program };
// Deletes the name when a context is current and the GL layer has said how (see below).
void DeleteGlName(GlNameKind kind, uint32_t name);
// Tells DeleteGlName how to delete each kind of name; defined by the GL layer, idempotent.
void InstallGlDeleters();
}  // namespace detail

template <detail::GlNameKind Kind>
class GlName {
public:
    GlName() = default;
    explicit GlName(uint32_t name) : name_(name) {
        if (name != 0) detail::InstallGlDeleters();
    }
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
        if (name != 0) detail::InstallGlDeleters();
        name_ = name;
    }

private:
    uint32_t name_ = 0;
};

using GlBuffer = GlName<detail::GlNameKind::Buffer>;
using GlTexture = GlName<detail::GlNameKind::Texture>;
// A program made by BuildShaderProgram (render/shader_program.h); its shaders go with it.
using GlProgram = GlName<detail::GlNameKind::Program>;

}  // namespace tv
