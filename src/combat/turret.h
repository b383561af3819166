#pragma once
// TTurel: the player's anti-aircraft turret. It stands on the ground, turns (Yaw) and raises
// (Pitch) its two barrels through bone 1 of its CPU-skinned model, and has two weapons: the
// cannon (weapon 1) fires pairs of shells, the laser (weapon 2) holds two beams while fire is
// held and drains a power store. Angles in degrees, times in ms, z up.
//
// Simulation (turret.cpp) needs no GL; loading and drawing (turret_draw.cpp) need the GL
// context of the renderer's store its GPU objects were made in (the store owns them; the
// turret keeps their ids). Aircraft and shells are reached through turret_links.h.

#include <cstdint>
#include <memory>
#include <string>

#include "combat/sprites.h"
#include "combat/turret_links.h"
#include "math/collision_records.h"
#include "math/vec3.h"
#include "models/model.h"

namespace tv {

class TLand;

// The mouse as the weapon rules read it this frame.
struct WeaponButtons {
    bool Left = false;       // left button down (polled)
    bool Right = false;      // right button down (polled)
    bool FireHeld = false;   // a window mouse-down not yet released
};

class TTurel {
public:
    // Loads the model (DataError when it cannot be read), finds the marker triangles and
    // loads the sight and radar textures from the data root, into context.Gpu when there is
    // one (its context current).
    static std::unique_ptr<TTurel> Create(const std::string& modelPath, const std::string& dataRoot,
                                          const ModelLoadContext& context);
    // A turret around a model already in memory: finds the markers, loads no textures.
    explicit TTurel(std::unique_ptr<TModel> model);

    // Appends the SMD animation at path to the model (DataError when it cannot be read).
    void AddAnimation(const std::string& path);

    // The frame's update: laser power, aim the model, pose it, place muzzles and beam ends,
    // trace the beams (terrain, then aircraft if the laser is on), move the shells.
    // `land` may be null (no terrain).
    void Update(uint32_t frameMs, const TLand* land);

    // Update's steps, for callers and tests that need them one by one.
    void UpdateLaserPower(uint32_t frameMs);
    void AimModel();          // bone 1 of every frame of the first animation
    void PoseModel();         // the skeleton at AnimTime, when Animated
    void PlaceMarkers();      // muzzles and beam ends from the posed bones, beams stretched
    void TraceBeams(uint32_t frameMs, const TLand* land);

    // Weapon rules, once per frame in this order. CannonSoundMustStop: weapon 1 with fire
    // released or no shells left while the looping sound plays. UpdateLaserSwitch returns true
    // when the looping sound must stop.
    bool CannonSoundMustStop(const WeaponButtons& buttons, bool soundPlaying) const;
    void UpdateCannon(const WeaponButtons& buttons, uint32_t frameMs);
    bool UpdateLaserSwitch(const WeaponButtons& buttons);
    // Mouse movement in device counts at 0.2 degrees per count: a pitch outside (-90, 0) is
    // refused; yaw wraps once into [0, 360].
    void Aim(int32_t dx, int32_t dy);
    // Key "1": cannon, laser off (the caller stops the looping sound). Key "2": laser.
    void SelectWeapon(int weapon);

    // Midpoint of the two points 200 units out along the barrels.
    Vec3 SightPoint() const;

    // Drawing (GL). `camera` is the modelview saved after the camera was placed.
    void DrawShadow(const Vec3& sunDir);
    void Draw(const double camera[16]);
    void DrawSight(const double camera[16]);
    // Radar in screen space: centre (cx, cy), half size in pixels, range in world units, on a
    // window of width x height pixels.
    void DrawRadar(float cx, float cy, float halfSize, float range, int32_t width, int32_t height);

    Vec3 Position;
    float Yaw = 0.0f;
    float Pitch = 0.0f;
    uint8_t Animated = 0;
    std::unique_ptr<TModel> Model;
    float AnimTime = 0.0f;  // never changed: the turret is posed from the first key frame
    Vec3 EyeOffset{0.0f, 0.0f, 4.8f};
    float LaserPower = 1.0f;
    uint8_t LaserOn = 0;
    float BeamMaxLength = 1000.0f;
    float BeamLength1 = 0.0f;
    float BeamLength2 = 0.0f;
    TCUB BeamBox;
    Vec3 Muzzle1, BeamEnd1, Muzzle2, BeamEnd2;
    float LaserDamageRate = 0.0f;  // damage per ms of one beam at full power
    float Life = 0.0f;
    BillboardSprite Sight;
    int32_t MarkerTri1 = 0, MarkerTri2 = 0, MarkerTri3 = 0, MarkerTri4 = 0;
    uint8_t Weapon = 1;
    uint32_t CannonTimer = 0;
    int32_t Shells = 0;
    uint32_t RadarTexture() const { return radarTexture_; }  // texture id; the store owns it

    // Links to the rest of combat; not owned, null when absent.
    TurretTargets* Targets = nullptr;
    TurretShells* Bullets = nullptr;

private:
    Vec3 MarkerPoint(int32_t triangle) const;
    void DrawBeams(const double camera[16]);

    uint32_t radarTexture_ = 0;
};

// Where an aircraft at `aircraft` shows on a radar centred at (cx, cy) for a turret at
// `turret`: false when its horizontal distance is not below `range`.
bool RadarBlip(const Vec3& turret, const Vec3& aircraft, float cx, float cy, float halfSize, float range,
               float& px, float& py);
// The far end of the heading line: (cx + halfSize, cy) turned about the centre by yaw + 90.
void RadarHeading(float cx, float cy, float halfSize, float yawDeg, float& x, float& y);

// The start-up's turret step without its log line: the turret model and its animation from
// the data root, animated, at (500, 500, 0) with 1000 life, laser damage 0.01 per ms and
// 15000 shells, its GPU objects in `gpu` (null: none, a run without GL). Throws when a file
// cannot be read; `turret` then keeps whatever was created before the failure.
void InitTurret(std::unique_ptr<TTurel>& turret, const std::string& dataRoot, bool vboSupported,
                LoadingProgress* progress, GpuStore* gpu);

}  // namespace tv
