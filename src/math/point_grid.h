#pragma once
// A uniform grid over a list of points, for "who is near whom" passes that must not grow with
// the square of the list. Each point goes into the cube of side `cell` that contains it; two
// points less than `cell` apart on every axis always sit in the same or in neighbouring cubes,
// so a query visits the 27 cubes around a point and tests only what it finds there.
//
// The grid only narrows the candidates: the caller still applies its own exact test, so a pass
// built on it decides every pair exactly as an all-pairs loop would.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "math/vec3.h"

namespace tv {

class PointGrid {
public:
    // Files points[0..count) by cell. A point with a non-finite coordinate is left out: it is
    // never closer than a finite distance to anything. A cell size that is not finite and
    // positive puts every point into one cube (every pair becomes a candidate). Coordinates
    // far beyond a million cells are clamped onto the outermost cube, which only adds
    // candidates. Reuses its storage between builds.
    void Build(const Vec3* points, int32_t count, float cell);

    // Calls visit(j) for every filed point j in the 27 cubes around p: within a cube in
    // ascending j, cubes in no particular order. visit returns false to stop early. A
    // non-finite p visits nothing.
    // Only points with an index above `after` are visited (all with the default).
    template <class Visit>
    void ForEachNear(const Vec3& p, Visit&& visit, int32_t after = -1) const {
        int32_t c[3];
        if (keys_.empty() || !CellOf(p, c)) return;
        for (int32_t dz = -1; dz <= 1; ++dz)
            for (int32_t dy = -1; dy <= 1; ++dy)
                for (int32_t dx = -1; dx <= 1; ++dx)
                    if (!VisitCube(c[0] + dx, c[1] + dy, c[2] + dz, visit, after)) return;
    }

    // The same for the points that can lie within `reach` of p: only the cubes the box
    // p +- reach overlaps (a little wider, so rounding never drops a pair). With cubes at least
    // twice the reach that is at most eight cubes instead of twenty-seven.
    template <class Visit>
    void ForEachInReach(const Vec3& p, float reach, Visit&& visit, int32_t after = -1) const {
        int32_t own[3], lo[3], hi[3];
        if (keys_.empty() || !ReachBox(p, reach, own, lo, hi)) return;
        // p's own cube first: a visitor looking for any close point stops soonest there.
        if (!VisitCube(own[0], own[1], own[2], visit, after)) return;
        for (int32_t z = lo[2]; z <= hi[2]; ++z)
            for (int32_t y = lo[1]; y <= hi[1]; ++y)
                for (int32_t x = lo[0]; x <= hi[0]; ++x)
                    if ((x != own[0] || y != own[1] || z != own[2]) && !VisitCube(x, y, z, visit, after)) return;
    }

    // ForEachInReach for a pass whose `after` never goes down from one call to the next
    // between two Builds (a pass over the points in ascending order): the same points in the
    // same order, but each cube remembers where its points above the last `after` begin, so
    // crowded cubes are not searched anew for every query.
    template <class Visit>
    void ForEachInReachRising(const Vec3& p, float reach, Visit&& visit, int32_t after) {
        int32_t own[3], lo[3], hi[3];
        if (keys_.empty() || !ReachBox(p, reach, own, lo, hi)) return;
        if (!VisitCubeRising(own[0], own[1], own[2], visit, after)) return;
        for (int32_t z = lo[2]; z <= hi[2]; ++z)
            for (int32_t y = lo[1]; y <= hi[1]; ++y)
                for (int32_t x = lo[0]; x <= hi[0]; ++x)
                    if ((x != own[0] || y != own[1] || z != own[2]) && !VisitCubeRising(x, y, z, visit, after))
                        return;
    }

private:
    // Visits the points of one cube above `after`, in ascending order; false once visit says stop.
    template <class Visit>
    bool VisitCube(int32_t x, int32_t y, int32_t z, Visit& visit, int32_t after) const {
        const int32_t slot = Find(Key(x, y, z));
        if (slot < 0) return true;
        const int32_t* first = order_.data() + begin_[slot];
        const int32_t* last = first + count_[slot];
        // A cube lists its points in ascending order: skip those up to `after`.
        if (after >= 0) first = std::upper_bound(first, last, after);
        for (; first < last; ++first)
            if (!visit(*first)) return false;
        return true;
    }
    // The same, skipping from where the cube's last rising query stopped.
    template <class Visit>
    bool VisitCubeRising(int32_t x, int32_t y, int32_t z, Visit& visit, int32_t after) {
        const int32_t slot = Find(Key(x, y, z));
        if (slot < 0) return true;
        const int32_t* first = order_.data() + begin_[slot];
        const int32_t* last = first + count_[slot];
        int32_t& skipped = skipped_[static_cast<size_t>(slot)];
        while (first + skipped < last && first[skipped] <= after) ++skipped;
        for (first += skipped; first < last; ++first)
            if (!visit(*first)) return false;
        return true;
    }

    // p's cube and the cube ranges, per axis, of the box p +- reach (widened by a thousandth); false for a
    // non-finite p. A reach that is not finite and positive, or a box of more than three cubes
    // a side, falls back to the 27 cubes around p's own.
    bool ReachBox(const Vec3& p, float reach, int32_t c[3], int32_t lo[3], int32_t hi[3]) const {
        if (!CellOf(p, c)) return false;
        const double r = static_cast<double>(reach) * 1.001;
        const double v[3] = {p.x, p.y, p.z};
        bool narrow = std::isfinite(r) && r > 0.0;
        for (int a = 0; a < 3 && narrow; ++a) {
            lo[a] = ClampedCell((v[a] - r) * inverseCell_);
            hi[a] = ClampedCell((v[a] + r) * inverseCell_);
            narrow = hi[a] - lo[a] <= 2;
        }
        if (!narrow)
            for (int a = 0; a < 3; ++a) {
                lo[a] = c[a] - 1;
                hi[a] = c[a] + 1;
            }
        return true;
    }

    static constexpr uint64_t kEmpty = ~uint64_t{0};
    // Cube coordinates are clamped to +-kLimit so a neighbour (+-1) still packs into 21 bits.
    static constexpr int32_t kLimit = (1 << 20) - 2;
    static constexpr int32_t kOffset = 1 << 20;

    static int32_t ClampedCell(double v) {
        const double f = std::floor(v);
        if (f < -kLimit) return -kLimit;
        if (f > kLimit) return kLimit;
        return static_cast<int32_t>(f);
    }
    bool CellOf(const Vec3& p, int32_t c[3]) const {
        if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z)) return false;
        c[0] = ClampedCell(p.x * inverseCell_);
        c[1] = ClampedCell(p.y * inverseCell_);
        c[2] = ClampedCell(p.z * inverseCell_);
        return true;
    }
    static uint64_t Key(int32_t x, int32_t y, int32_t z) {
        return (static_cast<uint64_t>(x + kOffset) << 42) | (static_cast<uint64_t>(y + kOffset) << 21) |
               static_cast<uint64_t>(z + kOffset);
    }
    // Fibonacci hashing: the product's top bits depend on every bit of the key (its low bits
    // would ignore the x coordinate and pile whole rows of cubes onto one slot).
    uint64_t Home(uint64_t key) const { return (key * 0x9E3779B97F4A7C15ull) >> shift_; }
    // The table slot holding key, or -1.
    int32_t Find(uint64_t key) const {
        for (uint64_t s = Home(key);; s = (s + 1) & mask_) {
            if (keys_[s] == key) return static_cast<int32_t>(s);
            if (keys_[s] == kEmpty) return -1;
        }
    }
    int32_t Insert(uint64_t key);  // the slot for key, claimed if new

    double inverseCell_ = 0.0;  // zero: everything in one cube
    uint64_t mask_ = 0;
    int shift_ = 60;  // 64 - log2(table size)
    std::vector<uint64_t> keys_;     // open-addressing table of cube keys; kEmpty where free
    std::vector<int32_t> begin_;     // per slot: first entry in order_
    std::vector<int32_t> count_;     // per slot: entries in order_
    std::vector<int32_t> skipped_;   // per slot: entries at or below the last rising query's `after`
    std::vector<int32_t> slotOf_;    // per point: its slot, or -1 when left out
    std::vector<int32_t> order_;     // point indices grouped by cube, ascending within one
};

}  // namespace tv
