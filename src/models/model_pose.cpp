// Posing: the skeleton from the rest pose or from a point in time of an animation, and the
// bone palette the skinning program reads.

#include <algorithm>
#include <cmath>

#include "models/model.h"

namespace tv {

namespace {

// Local matrix from (q, p), absolute from the parent's; parents come before their children,
// so one forward pass is enough. A parent index that does not precede its child (the loader
// rejects those) is treated as a root rather than read out of order.
void PoseBone(std::vector<TBone>& bones, const std::vector<int32_t>& parents, size_t i, const Quaternion& q,
              const Vec3& p) {
    TBone& bone = bones[i];
    bone.Origin = {};
    SetLocalMatrix(bone.Local, q, p);
    const int32_t parent = parents[i];
    if (parent < 0 || static_cast<size_t>(parent) >= i) {
        bone.Absolute = bone.Local;
    } else {
        bone.Absolute = ComposeAffine(bones[static_cast<size_t>(parent)].Absolute, bone.Local);
    }
}

void SetOrigins(std::vector<TBone>& bones) {
    for (TBone& bone : bones) bone.Origin = TransformPoint(bone.Absolute, {});
}

bool FrameCovers(const TKadrAnimacii& frame, size_t bones) {
    return frame.Quaternions.size() >= bones && frame.Positions.size() >= bones;
}

}  // namespace

void TModel::UpdateSkeleton(PoseMode mode, int32_t animation, float time) {
    if (mode == PoseMode::Animation && PoseAnimation(animation, time)) return;
    PoseRest();
}

void TModel::PoseRest() {
    const size_t count = BoneParents.size();
    Bones.resize(count);
    const size_t posed = std::min({count, RestPose.Quaternions.size(), RestPose.Positions.size()});
    for (size_t i = 0; i < posed; ++i) {
        PoseBone(Bones, BoneParents, i, RestPose.Quaternions[i], RestPose.Positions[i]);
    }
    SetOrigins(Bones);
}

bool TModel::PoseAnimation(int32_t animation, float time) {
    if (animation < 0 || static_cast<size_t>(animation) >= Animations.size()) return false;
    const std::vector<TKadrAnimacii>& frames = Animations[static_cast<size_t>(animation)].Frames;
    const size_t frameCount = frames.size();
    // Also false for NaN.
    if (!(time >= 0.0f && time < static_cast<float>(frameCount))) return false;

    const size_t count = BoneParents.size();
    const size_t c = static_cast<size_t>(std::trunc(time));
    const float f = time - static_cast<float>(c);
    const size_t d = c + 1 == frameCount ? 0 : c + 1;  // the last frame blends into the first
    const TKadrAnimacii& from = frames[c];
    const TKadrAnimacii& to = frames[d];
    if (!FrameCovers(from, count) || !FrameCovers(to, count)) return false;

    Bones.resize(count);
    for (size_t i = 0; i < count; ++i) {
        const Vec3& a = from.Positions[i];
        const Vec3& b = to.Positions[i];
        const Vec3 p{a.x + (b.x - a.x) * f, a.y + (b.y - a.y) * f, a.z + (b.z - a.z) * f};
        const Quaternion q = QuaternionSlerp(from.Quaternions[i], to.Quaternions[i], f);
        PoseBone(Bones, BoneParents, i, q, p);
    }
    SetOrigins(Bones);
    return true;
}

void TModel::FillBonePalette() {
    const size_t count = std::min(Bones.size(), static_cast<size_t>(kMaxPaletteBones));
    for (size_t b = 0; b < count; ++b) {
        const Matrix4& m = Bones[b].Absolute;
        for (int r = 0; r < 3; ++r) {
            BonePalette[b * 3 + r] = {At(m, r, 0), At(m, r, 1), At(m, r, 2), At(m, r, 3)};
        }
    }
}

}  // namespace tv
