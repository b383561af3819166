#pragma once
// What the start-up may make in all. Each file's caps bound that file, but many files within
// their caps could still add up past what any machine should give a game; the loaders charge
// what they make (decoded textures, particles, level objects, terrain cells) to the run's one
// budget, which refuses the charge that passes it.

#include <cstdint>
#include <string>

#include "common/binary_io.h"

namespace tv {

inline constexpr uint64_t kStartupBudgetBytes = uint64_t{1} << 30;

class StartupBudget {
public:
    explicit StartupBudget(uint64_t limitBytes = kStartupBudgetBytes) : limit_(limitBytes) {}
    // Adds `bytes` made from `file`'s `field`; past the limit raises one DataError naming them
    // ("start-up memory budget of 1 GB exceeded"), and the charge is not kept.
    void Charge(uint64_t bytes, const std::string& file, const std::string& field) {
        if (bytes > limit_ - used_) throw DataError(file, 0, field, "start-up memory budget of " + LimitText() + " exceeded");
        used_ += bytes;
    }
    uint64_t Used() const { return used_; }
    uint64_t Limit() const { return limit_; }

private:
    std::string LimitText() const {
        if (limit_ % (uint64_t{1} << 30) == 0) return std::to_string(limit_ >> 30) + " GB";
        if (limit_ % (uint64_t{1} << 20) == 0) return std::to_string(limit_ >> 20) + " MB";
        return std::to_string(limit_) + " bytes";
    }
    uint64_t limit_;
    uint64_t used_ = 0;
};

}  // namespace tv
