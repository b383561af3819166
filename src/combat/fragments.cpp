// The wreck-fragment pool's table and simulation. No GL.
#include "combat/fragments.h"

#include "math/random.h"
#include "math/vector_math.h"
#include "world/particles.h"

namespace tv {

namespace {

// How many piece models each aircraft kind owns, in model-index order.
constexpr std::array<int32_t, 4> kPiecesPerKind = {3, 3, 2, 2};

}  // namespace

void BuildWreckTable(T_Fragments_System_Planes& fs) {
    fs.Count = 0;
    fs.Capacity = 0;
    fs.Fragments.clear();
    fs.KindTable.clear();
    fs.KindCount = 0;
    fs.PieceModelCount = 0;
    int32_t next = 0;
    for (int32_t pieces : kPiecesPerKind) {
        TWreckDescription d;
        for (int32_t i = 0; i < pieces; ++i) d.Pieces[i] = next++;
        d.PieceCount = pieces;
        fs.KindTable.push_back(d);
        ++fs.KindCount;
    }
}

void SpawnFragments(T_Fragments_System_Planes& fs, int32_t kind, const Vec3& pos, float speed, GameRandom& random) {
    if (kind < 1 || kind > fs.KindCount) return;
    const TWreckDescription& d = fs.KindTable[kind - 1];
    for (int32_t i = 0; i < d.PieceCount; ++i) {
        ++fs.Count;
        if (fs.Count > fs.Capacity) {
            fs.Capacity += kFragmentGrowStep;
            fs.Fragments.resize(fs.Capacity);
        }
        TFragment& f = fs.Fragments[fs.Count - 1];
        f.PieceModel = d.Pieces[i];
        f.Texture = d.Texture;
        f.Pos.x = pos.x + static_cast<float>(random.Random(5));
        f.Pos.y = pos.y + (kind == 1 ? static_cast<float>(random.Random(5)) : 0.0f);
        f.Pos.z = pos.z;
        f.Dest.x = pos.x + static_cast<float>(random.Random(100));
        f.Dest.y = pos.y + static_cast<float>(random.Random(100));
        f.Dest.z = -10.0f;
        f.Speed = speed;
    }
}

void UpdateFragments(T_Fragments_System_Planes& fs, uint32_t frameMs, T_Particles_System* smoke, GameRandom& random,
                     Clock& clock) {
    const float t = static_cast<float>(frameMs);
    for (int32_t i = 0; i < fs.Count; ++i) {
        TFragment& f = fs.Fragments[i];
        Vec3 dir{f.Dest.x - f.Pos.x, f.Dest.y - f.Pos.y, f.Dest.z - f.Pos.z};
        const float len = VecLength(dir);
        if (len > 0.0f) dir = {dir.x / len, dir.y / len, dir.z / len};
        f.Pos.x += dir.x * f.Speed * t;
        f.Pos.y += dir.y * f.Speed * t;
        f.Pos.z -= 0.05f * t;
        if (smoke) {
            smoke->EmitCentre = f.Pos;
            smoke->TargetCentre = {f.Pos.x, f.Pos.y, f.Pos.z + 1.0f};
            EmitParticle(*smoke, random, clock);
        }
        if (f.Pos.z < 0.0f) {
            // The last live fragment takes the hole; it is examined again next frame.
            fs.Fragments[i] = fs.Fragments[fs.Count - 1];
            --fs.Count;
        }
    }
}

}  // namespace tv
