#pragma once
// Every data file the game opens, relative to the data root, spelled as the game names them
// (backslashes; the path function maps them onto the disk). The data-set generator writes
// exactly these, and the tests check the generated folder against this list.

#include <array>
#include <string_view>

namespace tv::paths {

inline constexpr std::string_view kLogFile = "Log_File.txt";

inline constexpr std::string_view kLevel = "world\\1.wrd";
inline constexpr std::string_view kTerrainSuffix = ".map";  // the terrain file is the level path + ".map"
inline constexpr std::string_view kWorldFolder = "world\\";

inline constexpr std::string_view kTurretModel = "3DOBJEKT\\turel1\\t2.3dk";
inline constexpr std::string_view kTurretAnimation = "3DOBJEKT\\turel1\\run.smd";

inline constexpr std::string_view kSkyModel = "k_resurs\\Sky\\Sky_Sfera1.3dk";
inline constexpr std::string_view kSkyTexture = "k_resurs\\Sky\\2.jpg";
inline constexpr std::string_view kNoTexture = "k_resurs\\addition\\NOTEXTURE.jpg";
inline constexpr std::string_view kFontTexture = "k_resurs\\Fonts\\FONT.jpg";
inline constexpr std::string_view kSightTexture = "k_resurs\\Sight\\Sight_1.jpg";
inline constexpr std::string_view kRadarTexture = "k_resurs\\Radar.jpg";
inline constexpr std::string_view kFlarePrefix = "k_resurs\\flare\\Flare";  // + 0..8 + ".jpg"
inline constexpr int kFlareCount = 9;

inline constexpr std::string_view kSmokeParticles = "k_resurs\\particles\\clouds2.kpr";
inline constexpr std::string_view kParticlesFolder = "k_resurs\\particles\\";
inline constexpr std::string_view kParticleTextureFolder = "k_resurs\\particles\\texture\\";
inline constexpr std::string_view kWaterFolder = "k_resurs\\water\\";

inline constexpr std::array<std::string_view, 3> kExplosionTextures = {
    "k_resurs\\Explosion\\EXPL0.jpg", "k_resurs\\Explosion\\EXPL1.jpg", "k_resurs\\Explosion\\EXPL2.jpg"};
inline constexpr std::string_view kEnemyFire = "k_resurs\\bullets\\EnemyFire.jpg";
inline constexpr std::string_view kEnemyFire1 = "k_resurs\\bullets\\EnemyFire1.jpg";
inline constexpr std::string_view kFlame = "k_resurs\\Fire\\F_s_1.png";

inline constexpr std::string_view kExplosionSound = "k_resurs\\sound\\expl_1.wav";
inline constexpr std::string_view kLaserSound = "k_resurs\\sound\\Laser_turel.wav";
inline constexpr std::string_view kCannonSound = "k_resurs\\sound\\Turel_bullets.wav";
inline constexpr std::string_view kMusic = "k_resurs\\sound\\Crystal2_Snow.ogg";

// Aircraft: flying model, its wreck, and its fragments; textures beside them.
inline constexpr std::string_view kSu25Model = "3DOBJEKT\\Su25\\1.3dk";
inline constexpr std::string_view kSu25Wreck = "3DOBJEKT\\Su25\\s1expl.3dk";
inline constexpr std::string_view kSu25Texture = "3DOBJEKT\\Su25\\su25tex.jpg";
inline constexpr std::array<std::string_view, 3> kSu25Fragments = {
    "3DOBJEKT\\Su25\\os_1.3dk", "3DOBJEKT\\Su25\\os_2.3dk", "3DOBJEKT\\Su25\\os_3.3dk"};
inline constexpr std::string_view kStealthModel = "3DOBJEKT\\STEALTH\\S_Polet.3dk";
inline constexpr std::string_view kStealthWreck = "3DOBJEKT\\STEALTH\\s1expl.3dk";
inline constexpr std::string_view kStealthTexture = "3DOBJEKT\\STEALTH\\STEALTH.jpg";
inline constexpr std::array<std::string_view, 3> kStealthFragments = {
    "3DOBJEKT\\STEALTH\\os_1.3dk", "3DOBJEKT\\STEALTH\\os_2.3dk", "3DOBJEKT\\STEALTH\\os_3.3dk"};
inline constexpr std::string_view kFighterModel = "3DOBJEKT\\FIGHTER\\s1.3dk";
inline constexpr std::string_view kFighterWreck = "3DOBJEKT\\FIGHTER\\s1expl.3dk";
inline constexpr std::string_view kFighterTexture = "3DOBJEKT\\FIGHTER\\FIGHTER.jpg";
inline constexpr std::string_view kSaucerTexture = "3DOBJEKT\\FIGHTER\\SAUCER.jpg";
inline constexpr std::array<std::string_view, 2> kFighterFragments = {
    "3DOBJEKT\\FIGHTER\\os_1.3dk", "3DOBJEKT\\FIGHTER\\os_2.3dk"};
inline constexpr std::string_view kBossModel = "3DOBJEKT\\tarelka_boss\\s1.3dk";
inline constexpr std::string_view kBossWreck = "3DOBJEKT\\tarelka_boss\\s1expl.3dk";
inline constexpr std::array<std::string_view, 2> kBossFragments = {
    "3DOBJEKT\\tarelka_boss\\os_1.3dk", "3DOBJEKT\\tarelka_boss\\os_2.3dk"};

}  // namespace tv::paths

// Every fixed path above that names a file the game opens (the log, which the game writes,
// and the folder prefixes are left out), with the flare and terrain names spelled out. The
// files the level names are found through the level itself.
#include <string>
#include <vector>

namespace tv::paths {

inline std::vector<std::string> FixedGameFiles() {
    std::vector<std::string> files;
    auto add = [&files](std::string_view p) { files.emplace_back(p); };
    add(kLevel);
    files.push_back(std::string(kLevel) + std::string(kTerrainSuffix));
    for (auto p : {kTurretModel, kTurretAnimation, kSkyModel, kSkyTexture, kNoTexture, kFontTexture, kSightTexture,
                   kRadarTexture, kSmokeParticles, kEnemyFire, kEnemyFire1, kFlame, kExplosionSound, kLaserSound,
                   kCannonSound, kMusic, kSu25Model, kSu25Wreck, kSu25Texture, kStealthModel, kStealthWreck,
                   kStealthTexture, kFighterModel, kFighterWreck, kFighterTexture, kSaucerTexture, kBossModel,
                   kBossWreck})
        add(p);
    for (int i = 0; i < kFlareCount; ++i) files.push_back(std::string(kFlarePrefix) + std::to_string(i) + ".jpg");
    for (auto p : kExplosionTextures) add(p);
    for (auto p : kSu25Fragments) add(p);
    for (auto p : kStealthFragments) add(p);
    for (auto p : kFighterFragments) add(p);
    for (auto p : kBossFragments) add(p);
    return files;
}

}  // namespace tv::paths
