// The bullet pools' textures and sprites (GL).
#include <cmath>

#include "combat/bullets.h"
#include "common/data_paths.h"
#include "platform/paths.h"

namespace tv {
namespace {

void LoadPoolTextures(GpuStore* gpu, TBulletPool& pool, const std::string& dataRoot) {
    if (pool.SpriteSets.empty()) pool.SpriteSets.resize(1);
    AddExplosionTexture(gpu, pool.SpriteSets[0], DataPath(dataRoot, paths::kEnemyFire));
    AddExplosionTexture(gpu, pool.SpriteSets[0], DataPath(dataRoot, paths::kEnemyFire1));
    for (auto p : paths::kExplosionTextures) AddExplosionTexture(gpu, pool.Impact, DataPath(dataRoot, p));
}

int32_t Trunc(float f) { return static_cast<int32_t>(std::trunc(f)); }

void DrawFlying(const TBulletPool& pool, const TBullet& b) {
    if (b.SpriteSet < 0 || static_cast<size_t>(b.SpriteSet) >= pool.SpriteSets.size()) return;
    DrawExplosionFrame(pool.SpriteSets[static_cast<size_t>(b.SpriteSet)], Trunc(b.Frame), 1, b.Pos.x, b.Pos.y,
                       b.Pos.z);
}

// Flying bullets show their flight sprite; bursting ones their impact when drawImpacts is set.
void DrawPool(const TBulletPool& pool, bool drawImpacts) {
    for (int32_t i = 0; i < pool.Count; ++i) {
        const TBullet& b = pool.Bullets[static_cast<size_t>(i)];
        if (b.Exploding == 0) {
            DrawFlying(pool, b);
        } else if (drawImpacts) {
            // Two layers a few frames apart make the burst look fuller.
            DrawExplosionFrame(pool.Impact, Trunc(b.Frame + 2.0f), 0, b.Pos.x, b.Pos.y, b.Pos.z);
            DrawExplosionFrame(pool.Impact, Trunc(b.Frame - 2.0f), 1, b.Pos.x, b.Pos.y, b.Pos.z);
        }
    }
}

}  // namespace

void T_Bullets_System_Turel::LoadTextures(GpuStore* gpu, const std::string& dataRoot) {
    LoadPoolTextures(gpu, *this, dataRoot);
}

void T_Bullets_System_Planes::LoadTextures(GpuStore* gpu, const std::string& dataRoot) {
    LoadPoolTextures(gpu, *this, dataRoot);
}

void T_Bullets_System_Turel::DrawShells() const { DrawPool(*this, true); }

void T_Bullets_System_Planes::DrawShots() const { DrawPool(*this, false); }

}  // namespace tv
