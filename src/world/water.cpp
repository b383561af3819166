#include "world/water.h"

#include <algorithm>
#include <cmath>

#include "math/random.h"

namespace tv {

int WaterCreate(TWater& w, int gridCount, int sideLength, float damping) {
    const int g = std::clamp(gridCount, kMinWaterGridCount, kMaxWaterGridCount);
    w.TexScale = 1.0f;
    w.GridCount = g;
    w.Size = static_cast<float>(sideLength);
    w.CellSize = w.Size / static_cast<float>(g - 1);
    const size_t cells = static_cast<size_t>(g) * g;
    w.Heights.assign(cells, 0.0f);
    w.Velocities.assign(cells, 0.0f);
    w.Normals.assign(cells, Vec3{});
    w.Vertices.assign(cells, Vec3{});
    w.Damping = damping;
    w.StepPending = false;
    WaterStep(w, 16);
    return g;
}

void WaterSetTexScale(TWater& w, float scale) { w.TexScale = scale; }

void WaterSetPosition(TWater& w, float x, float y, float z) { w.Position = {x, y, z}; }

void WaterDisturb(TWater& w, GameRandom& random) {
    const int g = w.GridCount;
    if (g < kMinWaterGridCount) return;  // never created
    for (int k = 0; k < g; ++k) {
        const int i = static_cast<int>(random.Random(static_cast<uint32_t>(g - 3))) + 2;
        const int j = static_cast<int>(random.Random(static_cast<uint32_t>(g - 3))) + 2;
        w.V(i, j) = 3.0f;
    }
}

void WaterFrame(TWater& w, uint32_t frameMs, GameRandom& random) {
    if (w.StepPending) WaterStep(w, w.PendingStepMs);
    WaterDisturb(w, random);
    w.StepPending = true;
    w.PendingStepMs = frameMs;
}

void WaterStep(TWater& w, uint32_t frameMs) {
    const int g = w.GridCount;
    if (g <= 0) return;
    // Pass 1 reads only heights, so the order of the updates does not matter.
    for (int i = 2; i <= g - 2; ++i) {
        for (int j = 2; j <= g - 2; ++j) {
            const float sides = w.H(i - 1, j) + w.H(i + 1, j) + w.H(i, j - 1) + w.H(i, j + 1);
            const float diagonals = w.H(i - 1, j - 1) + w.H(i + 1, j - 1) + w.H(i - 1, j + 1) + w.H(i + 1, j + 1);
            w.V(i, j) += (w.H(i, j) - (4.0f * sides + diagonals) / 30.0f) * static_cast<float>(frameMs) / 1000.0f;
        }
    }
    for (int i = 2; i <= g - 2; ++i) {
        for (int j = 2; j <= g - 2; ++j) {
            w.H(i, j) -= w.V(i, j);
            w.V(i, j) *= w.Damping;
        }
    }
    const float half = w.Size * 0.5f;
    for (int i = 0; i < g; ++i) {
        for (int j = 0; j < g; ++j) {
            w.Vertices[w.Index(i, j)] = {static_cast<float>(i) * w.CellSize - half, w.H(i, j) / static_cast<float>(g),
                                         static_cast<float>(j) * w.CellSize - half};
        }
    }
    // The last row and column keep the normals they had.
    for (int i = 0; i <= g - 2; ++i) {
        for (int j = 0; j <= g - 2; ++j) {
            Vec3& n = w.Normals[w.Index(i, j)];
            if (i == 0 || j == 0) {
                n = {0.0f, 0.0f, 1.0f};
                continue;
            }
            const double nx = w.H(i + 1, j) - w.H(i - 1, j);
            const double ny = w.H(i, j + 1) - w.H(i, j - 1);
            const double nz = -2048.0;
            const double len = std::sqrt(nx * nx + ny * ny + nz * nz);
            n = {static_cast<float>(nx / len), static_cast<float>(ny / len), static_cast<float>(nz / len)};
        }
    }
}

}  // namespace tv
