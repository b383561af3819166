#include "math/point_grid.h"

#include <algorithm>
#include <cmath>

namespace tv {

int32_t PointGrid::Insert(uint64_t key) {
    uint64_t s = Home(key);
    while (keys_[s] != kEmpty && keys_[s] != key) s = (s + 1) & mask_;
    keys_[s] = key;
    return static_cast<int32_t>(s);
}

void PointGrid::Build(const Vec3* points, int32_t count, float cell) {
    count = std::max(count, 0);
    // A hair wider than asked, so a distance that rounds just under `cell` still finds its pair.
    inverseCell_ = (std::isfinite(cell) && cell > 0.0f) ? 1.0 / (static_cast<double>(cell) * 1.0001) : 0.0;
    // At most one cube per point: a table at least twice that stays short of clustering.
    size_t size = 16;
    shift_ = 60;
    while (size < 2 * static_cast<size_t>(count)) {
        size *= 2;
        --shift_;
    }
    mask_ = size - 1;
    keys_.assign(size, kEmpty);
    count_.assign(size, 0);
    skipped_.assign(size, 0);
    begin_.resize(size);
    slotOf_.resize(static_cast<size_t>(count));
    order_.resize(static_cast<size_t>(count));

    // A counting sort by cube: counts, then starts, then the points in ascending order.
    for (int32_t i = 0; i < count; ++i) {
        int32_t c[3];
        int32_t slot = -1;
        if (CellOf(points[i], c)) {
            slot = Insert(Key(c[0], c[1], c[2]));
            ++count_[slot];
        }
        slotOf_[i] = slot;
    }
    int32_t start = 0;
    for (size_t s = 0; s < size; ++s) {
        begin_[s] = start;
        start += count_[s];
        count_[s] = 0;
    }
    for (int32_t i = 0; i < count; ++i) {
        const int32_t slot = slotOf_[i];
        if (slot < 0) continue;
        order_[begin_[slot] + count_[slot]++] = i;
    }
}

}  // namespace tv
