// The turret's simulation: power store, aiming, muzzle points, beam tracing and the weapon
// rules. No GL here.
#include "combat/turret.h"

#include <algorithm>
#include <cmath>

#include "math/rotations.h"
#include "math/vector_math.h"
#include "models/animation_load.h"
#include "world/terrain.h"

namespace tv {
namespace {

constexpr float kAimDegPerCount = 0.2f;
constexpr uint32_t kCannonIntervalMs = 20;  // a pair leaves once the timer is above this
constexpr float kShellRange = 800.0f;
constexpr float kShellSpeed = 0.7f;
constexpr float kShellDamage = 0.1f;
constexpr float kSightDistance = 200.0f;
// A beam is sampled once per terrain cell; this caps the walk for absurd grids.
constexpr int kMaxBeamSamples = 1 << 20;

// a + (b - a) at length len.
Vec3 Along(const Vec3& a, const Vec3& b, float len) {
    Vec3 d;
    VecSub(b, a, d);
    VecSetLength(d, len);
    Vec3 r;
    VecAdd(a, d, r);
    return r;
}

// Length along muzzle -> end where the segment first meets the ground, sampling one point
// per cell; false when it never does.
bool BeamBlockedAt(const TLand& land, const Vec3& muzzle, const Vec3& end, float& length) {
    if (land.GridSize <= 0) return false;
    const float cell = land.Size / static_cast<float>(land.GridSize);
    if (!(cell > 0.0f)) return false;
    const float total = VecDistance(end, muzzle);
    const float cells = total / cell;
    if (!(cells >= 1.0f)) return false;  // shorter than a cell (or NaN): no sample
    const int n = cells >= static_cast<float>(kMaxBeamSamples) ? kMaxBeamSamples : static_cast<int>(cells);
    const float step = total / static_cast<float>(n);
    for (int e = 0; e < n; ++e) {
        const float at = static_cast<float>(e) * step;
        const Vec3 sample = Along(muzzle, end, at);
        const TerrainCell c = CellAt(land, sample.x, sample.y);
        Vec3 hit;
        if (c.inside && SegmentCrossesCell(land, c.i, c.j, muzzle, end, hit)) {
            length = at;
            return true;
        }
    }
    return false;
}

}  // namespace

TTurel::TTurel(std::unique_ptr<TModel> model) : Model(std::move(model)) {
    if (Model) {
        const auto& tris = Model->SkinTriangles.Source;
        for (size_t t = 0; t < tris.size(); ++t) {
            const int32_t index = static_cast<int32_t>(t);
            switch (tris[t].V[0].Bone) {
                case 3: MarkerTri1 = index; break;
                case 4: MarkerTri2 = index; break;
                case 5: MarkerTri3 = index; break;
                case 6: MarkerTri4 = index; break;
                default: break;
            }
        }
    }
    Sight.Size = 4.0f;
    Sight.Color = {1.0f, 0.0f, 0.0f};
}

void TTurel::AddAnimation(const std::string& path) {
    if (Model) AddSmdAnimation(*Model, path);
}

void TTurel::Update(uint32_t frameMs, const TLand* land) {
    UpdateLaserPower(frameMs);
    AimModel();
    PoseModel();
    PlaceMarkers();
    TraceBeams(frameMs, land);
    if (Bullets) Bullets->Update(frameMs);
}

void TTurel::PoseModel() {
    if (Animated == 1 && Model) Model->UpdateSkeleton(PoseMode::Animation, 0, AnimTime);
}

void TTurel::UpdateLaserPower(uint32_t frameMs) {
    if (LaserOn) {
        LaserPower -= static_cast<float>(frameMs) / 1000.0f;
    } else {
        LaserPower += static_cast<float>(frameMs);  // whole ms: refills at once
    }
    LaserPower = std::clamp(LaserPower, 0.0f, 1.0f);
}

void TTurel::AimModel() {
    if (!Model || Model->Animations.empty()) return;
    // 3.14 rather than pi: the barrels have always been aimed with it.
    const float pitchRad = Pitch * 3.14f / 180.0f;
    const float yawRad = Yaw * 3.14f / 180.0f;
    for (TKadrAnimacii& frame : Model->Animations[0].Frames) {
        if (frame.Rotations.size() < 2 || frame.Quaternions.size() < 2) continue;
        const Vec3& r = frame.Rotations[1];
        frame.Quaternions[1] = EulerToQuaternion({r.x, r.y + pitchRad, r.z + yawRad});
    }
}

Vec3 TTurel::MarkerPoint(int32_t triangle) const {
    Vec3 p;
    if (Model && triangle >= 0 && static_cast<size_t>(triangle) < Model->SkinTriangles.Source.size()) {
        const SkinVertex& v = Model->SkinTriangles.Source[static_cast<size_t>(triangle)].V[0];
        p = v.Position;
        if (v.Bone >= 0 && static_cast<size_t>(v.Bone) < Model->Bones.size()) {
            p = TransformPoint(Model->Bones[static_cast<size_t>(v.Bone)].Absolute, v.Position);
        }
    }
    VecAdd(p, Position, p);
    return p;
}

void TTurel::PlaceMarkers() {
    Muzzle1 = MarkerPoint(MarkerTri1);
    BeamEnd1 = MarkerPoint(MarkerTri2);
    Muzzle2 = MarkerPoint(MarkerTri3);
    BeamEnd2 = MarkerPoint(MarkerTri4);
    BeamEnd1 = Along(Muzzle1, BeamEnd1, BeamMaxLength);
    BeamEnd2 = Along(Muzzle2, BeamEnd2, BeamMaxLength);
}

void TTurel::TraceBeams(uint32_t frameMs, const TLand* land) {
    BeamLength1 = BeamMaxLength;
    BeamLength2 = BeamMaxLength;
    bool blocked1 = false, blocked2 = false;
    if (land) {
        blocked1 = BeamBlockedAt(*land, Muzzle1, BeamEnd1, BeamLength1);
        blocked2 = BeamBlockedAt(*land, Muzzle2, BeamEnd2, BeamLength2);
    }
    if (!LaserOn || !Targets) return;

    // Only beam 1 is tested; beam 2 takes the same aircraft.
    Vec3 eye;
    VecAdd(Position, EyeOffset, eye);
    int32_t nearest = -1;
    float nearestDistance = 0.0f;
    for (int32_t i = 0; i < Targets->Count(); ++i) {
        const Vec3 p = Targets->Position(i);
        if (!SegmentHitsCube(p, Muzzle1, BeamEnd1, Targets->ModelRadius(i) / 2.0f)) continue;
        const float d = VecDistance(p, eye);
        if (nearest < 0 || d < nearestDistance) {
            nearest = i;
            nearestDistance = d;
        }
    }
    if (nearest < 0) return;

    float& hp = Targets->HitPoints(nearest);
    uint8_t& sound = Targets->ExplosionSound(nearest);
    const float before = hp;
    const float damage = static_cast<float>(frameMs) * LaserDamageRate * LaserPower;
    for (auto [blocked, length] : {std::pair{blocked1, &BeamLength1}, std::pair{blocked2, &BeamLength2}}) {
        if (blocked) continue;
        *length = nearestDistance;
        hp -= damage;
        if (sound != 2) sound = 1;
    }
    // Counted in the frame the aircraft goes from alive (above 0) to dead (below 0). Exactly 0
    // is neither, so one left there by an earlier hit is not counted when the beam finishes it.
    if (before > 0.0f && hp < 0.0f) Targets->CountKill();
}

bool TTurel::CannonSoundMustStop(const WeaponButtons& buttons, bool soundPlaying) const {
    // With no shells left nothing fires, so the firing sound stops too (also at exactly 0).
    return Weapon == 1 && (!buttons.FireHeld || Shells <= 0) && soundPlaying;
}

void TTurel::UpdateCannon(const WeaponButtons& buttons, uint32_t frameMs) {
    if (Weapon != 1 || Shells <= 0) return;
    CannonTimer += frameMs;
    if (!(buttons.Left && !buttons.Right && buttons.FireHeld && CannonTimer > kCannonIntervalMs)) return;
    CannonTimer = 0;
    Shells -= 2;
    if (!Bullets) return;
    Bullets->Fire(Muzzle1, BeamEnd1, std::min(kShellRange, BeamLength1), kShellSpeed, kShellDamage, 0);
    Bullets->Fire(Muzzle2, BeamEnd2, std::min(kShellRange, BeamLength2), kShellSpeed, kShellDamage, 0);
}

bool TTurel::UpdateLaserSwitch(const WeaponButtons& buttons) {
    if (Weapon != 2) return false;
    if (!buttons.FireHeld) LaserOn = 0;
    if (buttons.Left && !buttons.Right && buttons.FireHeld) LaserOn = 1;
    return LaserOn == 0 || LaserPower == 0.0f || !buttons.FireHeld;
}

void TTurel::Aim(int32_t dx, int32_t dy) {
    const float pitch = Pitch + static_cast<float>(dy) * kAimDegPerCount;
    if (pitch > -90.0f && pitch < 0.0f) Pitch = pitch;
    Yaw -= static_cast<float>(dx) * kAimDegPerCount;
    if (Yaw > 360.0f) Yaw -= 360.0f;
    if (Yaw < 0.0f) Yaw += 360.0f;
}

void TTurel::SelectWeapon(int weapon) {
    if (weapon == 1) {
        Weapon = 1;
        LaserOn = 0;
    } else if (weapon == 2) {
        Weapon = 2;
    }
}

Vec3 TTurel::SightPoint() const {
    const Vec3 p1 = Along(Muzzle1, BeamEnd1, kSightDistance);
    const Vec3 p2 = Along(Muzzle2, BeamEnd2, kSightDistance);
    return {(p1.x + p2.x) / 2.0f, (p1.y + p2.y) / 2.0f, (p1.z + p2.z) / 2.0f};
}

bool RadarBlip(const Vec3& turret, const Vec3& aircraft, float cx, float cy, float halfSize, float range,
               float& px, float& py) {
    const float dx = aircraft.x - turret.x, dy = aircraft.y - turret.y;
    if (!(std::sqrt(dx * dx + dy * dy) < range)) return false;
    const float k = halfSize / range;
    px = dx * k + cx;
    py = dy * k + cy;
    return true;
}

void RadarHeading(float cx, float cy, float halfSize, float yawDeg, float& x, float& y) {
    x = cx + halfSize;
    y = cy;
    RotateAround(x, y, yawDeg + 90.0f, cx, cy);
}

}  // namespace tv
