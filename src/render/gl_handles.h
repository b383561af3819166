#pragma once
// Small owners for GL object names. Each deletes its name when it goes away, in the context
// that is current then, which should be the one the name was made in. With no current context
// nothing is deleted: the names went with their context (the game deletes its context before
// the Game object and its models go away).

#include <cstdint>
#include <utility>

namespace tv {

// True when this thread has a current GL context (GLX or EGL).
bool GlContextIsCurrent();

namespace detail {
void DeleteGlBuffer(uint32_t name);
void DeleteGlTexture(uint32_t name);
}  // namespace detail

template <void (*Delete)(uint32_t)>
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
    void Reset(uint32_t name = 0) {
        if (name_ != 0) Delete(name_);
        name_ = name;
    }

private:
    uint32_t name_ = 0;
};

using GlBuffer = GlName<detail::DeleteGlBuffer>;
using GlTexture = GlName<detail::DeleteGlTexture>;

}  // namespace tv
