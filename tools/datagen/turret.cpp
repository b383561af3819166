// The player's turret (CPU-skinned) and its skeleton animation.
//
// Skeleton: 0 base (root), 1 head, 2 barrel cradle, 3..6 marker bones at the muzzles and
// further along each barrel. The turret adds its pitch to bone 1's y angle and its yaw to
// its z angle, and rotations compose as Rz * Ry * Rx. The head's rest angles are (0, 0, 90°)
// and the barrels lie along the head's +x: with yaw 0 and pitch 0 they point along +y, a
// negative pitch raises them and a positive yaw turns them towards -x, exactly as the camera
// turns. The head pivot is 4.8 above the base, where the camera's aim line runs; the eye
// (7 above the base) stays outside the head whatever the pitch.

#include <cmath>

#include "common/data_paths.h"
#include "dataset.h"
#include "model_build.h"
#include "models/smd_file.h"

namespace tv::datagen {

namespace {

constexpr float kHalfPi = 1.57079632679f;
constexpr float kPivotHeight = 4.8f;
constexpr float kBarrelSide = 1.05f;   // barrels at y = +/- this in the head's frame
constexpr float kMuzzle = 6.4f;        // muzzle distance from the pivot
constexpr float kFurther = 9.4f;       // the second marker along each barrel

enum Material { kPaint, kGunmetal, kConcrete, kDetail };

std::vector<RestBone> RestPose() {
    std::vector<RestBone> bones(7);
    bones[1].position = {0, 0, kPivotHeight};
    bones[1].rotation = {0, 0, kHalfPi};
    bones[3].position = {kMuzzle, kBarrelSide, 0};
    bones[4].position = {kFurther, kBarrelSide, 0};
    bones[5].position = {kMuzzle, -kBarrelSide, 0};
    bones[6].position = {kFurther, -kBarrelSide, 0};
    return bones;
}

const std::vector<int32_t> kParents = {-1, 0, 1, 1, 1, 1, 1};

// Rest-pose bone frame to model space, for the bounding box and the texture projection.
V3 BoneToModel(const MeshVertex& v) {
    V3 p = v.pos;
    if (v.bone == 0) return p;
    // Bones 2..6 carry no rotation: their frames are the head's, shifted by their offsets.
    static const std::vector<RestBone> rest = RestPose();
    if (v.bone >= 2) p = p + V3{rest[v.bone].position.x, rest[v.bone].position.y, rest[v.bone].position.z};
    // Head frame: rotate 90° about z, then lift to the pivot.
    return V3{-p.y, p.x, p.z + kPivotHeight};
}

Mesh BuildTurret() {
    Mesh m;
    // Base on bone 0: a concrete plinth, a tapered column and the bearing ring.
    m.bone = 0;
    m.material = kConcrete;
    m.Tube(0, 0, 0.0f, 0.7f, 3.4f, 3.0f, 8, false, true);
    m.material = kPaint;
    m.Tube(0, 0, 0.7f, 3.3f, 1.5f, 1.15f, 12, false, false);
    m.material = kDetail;
    m.Tube(0, 0, 3.2f, 3.75f, 1.9f, 1.8f, 16, true, true);
    // Four bolted feet.
    m.material = kGunmetal;
    for (int k = 0; k < 4; ++k) {
        size_t mark = m.Mark();
        m.Box({2.2f, 0, 0.9f}, {1.2f, 0.5f, 0.4f});
        m.TransformSince(mark, Xform::RotZ(45.0f + 90.0f * k));
    }

    // Head on bone 1 (frame: +x along the barrels, +z up).
    m.bone = 1;
    m.material = kPaint;
    m.Sphere({0.15f, 0, 0}, 1.0f, 8, 14, {1.45f, 1.15f, 0.95f});
    m.material = kDetail;
    m.Box({-1.25f, 0, 0.1f}, {0.7f, 1.4f, 0.9f});  // ammunition box at the back
    // Side housings that carry the barrels.
    m.material = kPaint;
    for (float side : {kBarrelSide, -kBarrelSide}) m.Box({0.55f, side, 0}, {2.3f, 0.55f, 0.8f});

    // Barrels on bone 2 (the cradle), built along z and laid along +x.
    m.bone = 2;
    for (float side : {kBarrelSide, -kBarrelSide}) {
        size_t mark = m.Mark();
        m.material = kGunmetal;
        m.Tube(0, 0, 1.6f, kMuzzle - 0.6f, 0.22f, 0.18f, 8, true, false);
        m.material = kDetail;
        m.Tube(0, 0, kMuzzle - 0.6f, kMuzzle, 0.3f, 0.3f, 8, true, true);  // muzzle brake
        m.material = kGunmetal;
        m.Tube(0, 0, 1.6f, 2.6f, 0.32f, 0.3f, 8, true, true);  // recoil sleeve
        m.TransformSince(mark, Xform::Translate({0, side, 0}) * Xform::RotY(90));
    }

    // Marker triangles: first vertex exactly at the marker bone's origin, tucked inside the
    // muzzle brake so they never show.
    m.material = kDetail;
    for (int bone = 3; bone <= 6; ++bone) {
        m.bone = bone;
        m.Triangle({0, 0, 0}, {-0.05f, 0.02f, 0}, {-0.05f, -0.02f, 0}, 0, 0, 0, 0, 0, 0);
    }
    return m;
}

Rgba TurretPattern(int material, float s, float r) {
    float n = Fbm2(s * 8, r * 8, 301 + material, 4);
    switch (material) {
        case kPaint: {
            // Olive paint, worn at the edges of panels.
            Rgba c = Mix({0.30f, 0.36f, 0.20f, 1}, {0.40f, 0.44f, 0.27f, 1}, n);
            float panel = std::fmod(s * 6, 1.0f) < 0.03f || std::fmod(r * 6, 1.0f) < 0.03f ? 0.75f : 1.0f;
            return Scale(c, panel);
        }
        case kGunmetal: return Mix({0.16f, 0.17f, 0.18f, 1}, {0.30f, 0.31f, 0.33f, 1}, n);
        case kConcrete: return Mix({0.48f, 0.47f, 0.44f, 1}, {0.62f, 0.61f, 0.58f, 1}, n);
        default: {
            // Dark metal with hazard stripes.
            bool stripe = std::fmod((s + r) * 10, 1.0f) < 0.5f;
            Rgba c = stripe ? Rgba{0.55f, 0.45f, 0.1f, 1} : Rgba{0.12f, 0.12f, 0.12f, 1};
            return Mix(c, {0.2f, 0.2f, 0.2f, 1}, 0.4f * n);
        }
    }
}

}  // namespace

void GenerateTurret(DataWriter& out) {
    AtlasLayout layout;
    layout.texturePixels = 512;
    Mesh mesh = BuildTurret();
    AssignAtlasUv(mesh, layout, {0.35f, -0.3f, 0.9f}, BoneToModel);
    std::vector<RestBone> rest = RestPose();
    ModelFile model = CpuSkinnedModel(mesh, kParents, rest, {"turel.jpg"}, BoneToModel);
    out.PutModel(paths::kTurretModel, model);
    out.PutJpeg("3DOBJEKT\\turel1\\turel.jpg", PaintAtlas(layout, TurretPattern));

    // Two key frames: the rest pose and a slight recoil of the barrels. The game poses the
    // turret from the first frame only.
    SmdAnimation anim;
    for (int f = 0; f < 2; ++f) {
        SmdFrame frame;
        for (size_t b = 0; b < rest.size(); ++b) {
            SmdBonePose pose;
            pose.position = rest[b].position;
            pose.rotation = rest[b].rotation;
            if (f == 1 && b == 2) pose.position.x = -0.25f;
            pose.quaternion = EulerToQuaternion(pose.rotation);
            frame.bones.push_back(pose);
        }
        anim.frames.push_back(frame);
    }
    out.Put(paths::kTurretAnimation, WriteSmd(anim, kParents));
}

}  // namespace tv::datagen
