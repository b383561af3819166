#include "models/animation_load.h"

#include "models/smd_file.h"
#include "platform/paths.h"

namespace tv {

void LoadSmdFrames(TAnimacia& animation, const std::string& path) {
    const SmdAnimation smd = ReadSmdFile(ResolvePath(path));
    animation.Frames.clear();
    animation.Frames.resize(smd.frames.size());
    for (size_t f = 0; f < smd.frames.size(); ++f) {
        const std::vector<SmdBonePose>& bones = smd.frames[f].bones;
        TKadrAnimacii& frame = animation.Frames[f];
        frame.Rotations.resize(bones.size());
        frame.Quaternions.resize(bones.size());
        frame.Positions.resize(bones.size());
        for (size_t b = 0; b < bones.size(); ++b) {
            frame.Rotations[b] = bones[b].rotation;
            frame.Quaternions[b] = bones[b].quaternion;
            frame.Positions[b] = bones[b].position;
        }
    }
}

int32_t AddSmdAnimation(TModel& model, const std::string& path) {
    TAnimacia animation;
    LoadSmdFrames(animation, path);
    model.Animations.push_back(std::move(animation));
    return static_cast<int32_t>(model.Animations.size()) - 1;
}

}  // namespace tv
