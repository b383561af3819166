#pragma once
// A turret around a hand-built model with the data set's skeleton, for tests without GL.

#include <memory>
#include <vector>

#include "combat/turret.h"
#include "models/bone_math.h"

namespace tv::test {

inline constexpr float kHalfPi = 1.5707963f;

// The turret's skeleton as the data set builds it: base, head (4.8 up, turned 90 degrees so
// the barrels point along +y), cradle, and the marker bones 3..6 at the muzzles and further
// along each barrel. One marker triangle per marker bone, its first vertex on the bone.
inline std::unique_ptr<TModel> TurretModel() {
    auto m = std::make_unique<TModel>();
    m->ModelType = ModelType::CpuSkinned;
    m->BoneParents = {-1, 0, 1, 1, 1, 1, 1};
    const std::vector<Vec3> pos = {{0, 0, 0}, {0, 0, 4.8f}, {0, 0, 0}, {6.4f, 1.05f, 0}, {9.4f, 1.05f, 0},
                                   {6.4f, -1.05f, 0}, {9.4f, -1.05f, 0}};
    TKadrAnimacii frame;
    for (size_t b = 0; b < pos.size(); ++b) {
        const Vec3 rot = b == 1 ? Vec3{0, 0, kHalfPi} : Vec3{};
        frame.Rotations.push_back(rot);
        frame.Quaternions.push_back(EulerToQuaternion(rot));
        frame.Positions.push_back(pos[b]);
    }
    m->RestPose = frame;
    m->Animations.push_back({{frame, frame}});
    // A body triangle on bone 1 first, so the markers are not triangle 0.
    SkinTriangle body{};
    body.V[0].Bone = 1;
    m->SkinTriangles.Source.push_back(body);
    for (int bone = 3; bone <= 6; ++bone) {
        SkinTriangle t{};
        for (auto& v : t.V) v.Bone = bone;
        m->SkinTriangles.Source.push_back(t);
    }
    m->SkinTriangles.Skinned = m->SkinTriangles.Source;
    return m;
}

inline std::unique_ptr<TTurel> MakeTurret(Vec3 at = {500, 500, 0}) {
    auto t = std::make_unique<TTurel>(TurretModel());
    t->Animated = 1;
    t->Position = at;
    t->LaserDamageRate = 0.01f;
    t->Shells = 15000;
    return t;
}

}  // namespace tv::test
